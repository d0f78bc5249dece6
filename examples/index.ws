.IC#
.IZ$
.IN +Apple pie
.IN #$Both volumes
.IT red wine glass
A #marked word and #:a phrase here; end.
.PA
Page two $second volume and ##capital, done.
