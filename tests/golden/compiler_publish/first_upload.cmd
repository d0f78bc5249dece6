@echo off
rem Upload of site - created by Skeldon 4.22
echo make sure that you are connected to the internet
echo The directory /www/docs/ has already to exist on the server.
pause
mode 80,200
cls
rem ---Now we build the ftp script file---
echo open ftp.example.org>site_ftp.tmp
echo me>>site_ftp.tmp
echo se^&cret>>site_ftp.tmp
echo mkdir www>>site_ftp.tmp
echo cd www>>site_ftp.tmp
echo mkdir docs>>site_ftp.tmp
echo cd docs>>site_ftp.tmp
echo lcd site>>site_ftp.tmp
echo binary>>site_ftp.tmp
echo hash>>site_ftp.tmp
echo put a.htm>>site_ftp.tmp
echo dir a.htm>>site_ftp.tmp
echo put b.htm>>site_ftp.tmp
echo dir b.htm>>site_ftp.tmp
echo disconnect>>site_ftp.tmp
echo quit>>site_ftp.tmp
rem --here the ftp.exe program gets executed--
ftp -s:site_ftp.tmp
echo if the upload succeeded, press SPACE, otherwise Ctrl-C
pause
del site_ftp.tmp
md site_uploaded
rem ---now we update the site_uploaded folder---
copy site\a.htm site_uploaded\a.htm
copy site\b.htm site_uploaded\b.htm
echo upload process finished.
pause
