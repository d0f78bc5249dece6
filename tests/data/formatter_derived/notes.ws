.PL 20
.MT 2
.MB 2
.FU[]
A first line with a note[The first note.] in it.
A second line.
A paragraph that is long enough to be broken by the formatter into several lines, so that the arrangement keeps some of them together[A note in the paragraph, long enough to run over two lines of the note area.] when the page ends.
Filler line 0.
Filler line 1.
Filler line 2.
Filler line 3.
Filler line 4.
Filler line 5.
The last line of the first page with a note[Note three.] here.
The first line of the second page.
.PA
The third page has no notes at all.
