Index Number 1 

Adler II-1 ff.
Žpfel I-1
Affe II-1
Apfel I-1 ff., II-1 f.
„rger I-1
apple I-1

Baum
-, Eiche I-2, I-4
-, Linde I-2

glass
-, red wine I-1

here
-, turned phrase I-3

Linde
-, Baum II-1

marked I-3

šbersetzung I-3

Zebra I-1 ff., II-1, II-3

