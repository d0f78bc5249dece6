/* panel ids */
#define PANEL_MAIN 1200
#define	PANEL_TAB	77
PANEL_ASSIGN = 300;
#define PANEL_NOSEP
x=abc
