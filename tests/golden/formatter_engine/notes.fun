  1) The first note.
  2) Second note
     on two lines.
 12) Twelve.
