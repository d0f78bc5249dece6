/*****Help Panel ID's created by Skeldon*****/

#define Main	    1
#define Purpose	    2
#define Install	    4
