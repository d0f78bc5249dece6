@echo off
rem Upload of site - created by Skeldon 4.22
echo make sure that you are connected to the internet
pause
mode 80,200
cls
rem ---Now we build the ftp script file---
echo open ftp.example.org>site_ftp.tmp
echo me>>site_ftp.tmp
echo pa%%ss>>site_ftp.tmp
echo lcd site>>site_ftp.tmp
echo binary>>site_ftp.tmp
echo trace>>site_ftp.tmp
echo disconnect>>site_ftp.tmp
echo quit>>site_ftp.tmp
rem --here the ftp.exe program gets executed--
ftp -s:site_ftp.tmp
echo if the upload succeeded, press SPACE, otherwise Ctrl-C
pause
del site_ftp.tmp
rem ---now we update the site_uploaded folder---
echo upload process finished.
pause
