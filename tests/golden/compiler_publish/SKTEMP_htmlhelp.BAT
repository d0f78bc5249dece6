@echo off
CD @CWD@
MODE 80,50
START /W HHW.EXE manual\manual.hhp
START /W C:\WINDOWS\HH.EXE manual.CHM
EXIT
