.PL 20
.MT 2
.MB 2
.1
Introduction
Some words of the introduction.
.2
Why (and how)
Text of the first section.
.2
A path C:\dir
More text.
.3
Deep level
Deep text.
Filler line number 0 of the introduction.
Filler line number 1 of the introduction.
Filler line number 2 of the introduction.
Filler line number 3 of the introduction.
Filler line number 4 of the introduction.
Filler line number 5 of the introduction.
Filler line number 6 of the introduction.
Filler line number 7 of the introduction.
.1
Results
The results.
.2
Tables
Table text.
Filler line number 0 of the results.
Filler line number 1 of the results.
Filler line number 2 of the results.
Filler line number 3 of the results.
Filler line number 4 of the results.
Filler line number 5 of the results.
Filler line number 6 of the results.
Filler line number 7 of the results.
Filler line number 8 of the results.
Filler line number 9 of the results.
Filler line number 10 of the results.
Filler line number 11 of the results.
.CT Closing words
.1
Summary
The end.
