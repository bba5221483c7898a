// Resource and command identifiers of ktray. Shared by the resource script and the code, so it
// holds nothing but #defines (windres reads it too).
#pragma once

// The frame: title string 128 (replaced by the window title at start-up).
#define IDR_MAINFRAME 128
#define IDS_BUILD_FALLBACK 129   // build title when the tuning tool's version cannot be read
#define IDS_TUNING_SUBMENU 130   // text of the tuning submenu in the popup

#define IDR_TRAYICON 132         // icon of the notification area (32x32 and 16x16)
#define IDR_TRAYMENU 132         // menu whose first popup is the tray popup
#define IDR_MENUIMAGES 132       // toolbar (type 241) and bitmap of the menu images
#define IDB_MENUBANNER 133       // banner drawn beside the popup (16x339)
#define IDB_SPLASH 167           // start-up splash, also shown in the about box
#define IDR_TUNINGMENU 174       // the tuning submenu
#define IDD_ABOUTBOX 100

#define RT_TOOLBAR_RESOURCE 241  // the toolbar resource type: version, width, height, count, ids

// Commands of the popup.
#define ID_DISPLAY_PROPERTIES 32792
#define ID_MENU_BANNER 32799
#define ID_VISIT_WEB_SITE 32816
#define ID_BIOS_FLASH 32817
#define ID_DMI_TOOL 32819
#define ID_SYSTEM_INFO 32820
#define ID_MEDIA_PLAYER 32822
#define ID_CD_PLAYER 32824
#define ID_TUNING_TOOL_IMAGE 32844   // has an image in the toolbar, no menu item
#define ID_RUN_TUNING_TOOL 32845
#define ID_AUTO_OVERCLOCK 32846
#define ID_LOGO_TOOL 32850
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
