Contents format of the examples: one section per heading level.
1 Level
.CP3
1. XXX

2 Level
  1.1 XXX
3 Level
I) XXX
4 Level
A. XXX
5 Level
a) XXX
6 Level
aa. XXX
7 Level
à. XXX
