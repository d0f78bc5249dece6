..Notes, fonts and margin notes
.FU[]
A sentence with a note[The first note.] and a second one[Second note®on two lines.] here.
.FN 12
Note twelve[Twelve.] is right-aligned.
.SB H"
.SA C&
Normal, bold, italic, both and alternate to the line end.
Back to normal.
.SF X
.SF C
.MN<>12()
Text with <see p. 3> a margin note.
.MN
