..öberschriftsformat von Tavrel: so werden die öberschriften .1 bis .9
..geschrieben. Jeder Abschnitt beginnt mit einer Zeile mit der Nummer
..seines Rangs und dem Wort fÅr den Rang. Vor der Nummer steht, was vor
..der öberschriftsnummer geschrieben wird; das Zeichen vor dem Punkt
..oder der Klammer gibt die Art der Nummer an (1, I, A, a, aa, alpha;
..1.1 nummeriert alle RÑnge). Dann folgen der Text zwischen Nummer und
..öberschrift, das Stichwort fÅr den öberschriftstext und die Zeilen
..nach der öberschrift. Der Abschnitt fÅr Abbildungen steht am Schluss.
1. Ebene
.CP8
.LH12
1. XXX
.LH8

2. Ebene
.CP6
1.1. XXX

3. Ebene
1.1.1 XXX
4. Ebene
  A) XXX
5. Ebene
    a) XXX
6. Ebene
      I. XXX
7. Ebene
        aa) XXX
8. Ebene
          ‡. XXX
9. Ebene
            1) XXX
..Abbildungen
Abbildung 1: XXX
