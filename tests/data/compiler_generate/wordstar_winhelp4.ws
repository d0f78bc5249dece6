.TI
Manual Ètitle
.1
First chapter
Text with #Autoç
††matic word and #:soft†space: expr.
Seqzzence #plain
#:GrÑn: umlaut
.EX helpme.hlp
.ID ctx_topic
.IN other help
.EX calc.exe data
.IN calculator
.LOCAL
.URL http://example.com/x
.IN web
.LOCAL
.2
Second
.IN second
Use the calculator, other help, the web and the Automatic text.
