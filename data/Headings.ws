..Contents format of Tavrel: how the headings .1 to .9 are written.
..Every section starts with a line that holds the number of its level,
..then the word for level. In front of the number stand the
..text and dot lines written before the heading number; the character
..in front of the point or bracket gives the style of the number
..(1, I, A, a, aa, alpha; 1.1 numbers all levels). Then comes the text
..between number and heading, the keyword for the heading text, and
..the lines written after the heading. The figure section comes last.
1. Level
.CP8
.LH12
1. HEADING
.LH8

2. Level
.CP6
1.1. HEADING

3. Level
1.1.1 HEADING
4. Level
  A) HEADING
5. Level
    a) HEADING
6. Level
      I. HEADING
7. Level
        aa) HEADING
8. Level
          à. HEADING
9. Level
            1) HEADING
..Abbildungen (figures)
Figure 1: HEADING
