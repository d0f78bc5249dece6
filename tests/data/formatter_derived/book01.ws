.IC#
.IZ$
.IN Apfel
.IN +Zebra
.IN #$Žpfel
.IT red wine glass
.IN apple
.IN „rger
Page one.
.PA
.IN Apfel
.IN Zebra
.IN Baum, Eiche
.IN Baum, Linde
.IN $Straáe
Page two.
.PA
.IN Apfel
.IN +Zebra
.IN šbersetzung
Page three, with a #marked word and a #:turned phrase here; end.
.PA
.IN Baum, Eiche
Page four.
