Index Number 2 

Žpfel I-1

Straáe I-2, II-1

Zebra II-1

