.RM 20
abcdefghij klmnopqrstuv
xyz end

abcdefghij klmnopqrstuv
.LM 1
Last line.
