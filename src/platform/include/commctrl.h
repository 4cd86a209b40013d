// commctrl.h — the common controls of the platform layer: the trackbar.
//
// "msctls_trackbar32" keeps a range, a position, a line size (1) and a page
// size (default a fifth of the range), and tells its parent of every user
// move with WM_HSCROLL and the notification codes of Win32: TB_LINEUP and
// TB_LINEDOWN for the arrow keys, TB_PAGEUP and TB_PAGEDOWN for the page keys
// and the mouse wheel's pages, TB_TOP and TB_BOTTOM for Home and End,
// TB_THUMBTRACK while the thumb is dragged and TB_THUMBPOSITION when it is
// let go, each followed by TB_ENDTRACK when the key or button is released.
// Vertical trackbars, tick marks, selection ranges and buddies are left out.
// The classes exist from the start of the process; InitCommonControls only
// makes sure of it.
#pragma once

#include <windows.h>

#define TRACKBAR_CLASSA "msctls_trackbar32"
#define TBS_AUTOTICKS 0x0001
#define TBS_HORZ 0x0000
#define TBS_NOTICKS 0x0010

#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)

#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

void InitCommonControls();
