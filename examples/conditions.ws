..Conditions: run with the condition word PRINT
.IF PRINT
Printed version.
.EL
Screen version.
.EN
.if not PRINT
Not for print.
.ELSE
For print (ELSE acts as EL).
.END
.IF PRINT and TAVREL
Both words are defined.
.EN
.IF SCREEN oder TAVREL
One of them is defined.
.EN
.IF PRINT SCREEN
Wrong syntax: the condition is false.
.EN
.IF SCREEN
.IF PRINT
A second IF replaces the first.
.EN
.EI is no command and is copied.
..Macros
.NARROW:=.LM 3 .RM 30
.NARROW
Text after the macro call, indented by the macro and broken at thirty columns.
.LOOP:=.LOOP
.LOOP
..Include
.FI include_part.ws
End of the document.
