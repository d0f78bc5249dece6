.IC#
.IZ$
.IN Apfel
.IN Affe
.IN Adler
.IN #$Zebra
.IT Baum Linde
.IN $Straáe
Page one.
.PA
.IN Apfel
.IN +Adler
Page two.
.PA
.IN +Adler
.IN Adler
.IN Zebra
Page three.
