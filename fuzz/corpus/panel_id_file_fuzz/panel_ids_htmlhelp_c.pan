/*****Help Panel ID's created by Skeldon*****/

#define Main	    "guide.chm::/Main.HTML"
#define Purpose	    "guide.chm::/Purpose.HTML"
#define Install	    "guide.chm::/Install.HTML"
