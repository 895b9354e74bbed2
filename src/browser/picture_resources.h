// The kiosk's built-in pictures: PNG files compiled into the program as a GResource bundle
// (data/images, drawn in data/images/src and rendered by data/images/render.sh) and found by
// the name of the resource.
//
// Strips are horizontal: image i starts at x = i * width. All pictures carry an alpha channel,
// so no colour is keyed out.
//
//   name                     size of one image, images
//   "TOOLBAR_MAIN"           29 x 29, 15   main tool bar; "_HOT" and "_DISABLED" for the other
//   "TOOLBAR_MAIN_HOT"                     states. 0 back, 1 forward, 2 stop, 3 refresh,
//   "TOOLBAR_MAIN_DISABLED"                4 home, 7 print, 8 mail, 10 language, 11 tools,
//                                          13 log out, 14 launch programs; 5, 6, 9, 12 empty
//   "LINKS", "LINKS_HOT"     14 x 14, 6    link buttons 1 to 5 (0 to 4), 5 the empty button
//   "LEDS"                   16 x 16, 4    status: 0 allowed, 1 refused, 2 site control off,
//                                          3 administration
//   "PICTSYS"                18 x 18, 24   site icons: 0 selection mark, 1 hidden-category mark,
//                                          2 to 4 empty, 5 the "All" tab, then PictoImage
//   "TOOLBAR"                20 x 20, 11   site list editor tool bar, EditorToolImage
//   "MENU"                   18 x 18, 16   site list editor menus, EditorMenuImage
//   "MENU_MAIN"              20 x 20, 11   main window menu, MainMenuImage
//   "LOGO_ANIM"              39 x 47, 46   the logo animation on black; frame 0 is at rest
//   "PIC 1000"               309 x 92      splash picture on black (top of the 309 x 138 splash)
//   "PIC 1001"               200 x 72      about box logo, transparent, for a light background
//   "CURSOR 8100"            32 x 32       the hand, hot spot (12, 2): use LoadCursorResource
//   "CURSOR 8101"            32 x 32       the hand with a tab, for the category tabs; (12, 2)
#pragma once

#include <gdkmm/cursor.h>
#include <gdkmm/pixbuf.h>

#include <string>
#include <vector>

namespace Gtk {
class Image;
}

namespace orbeta::browser {

inline constexpr int kMainToolImageSize = 29;
inline constexpr int kLinkImageSize = 14;
inline constexpr int kLedImageSize = 16;
inline constexpr int kPictoImageSize = 18;
inline constexpr int kEditorToolImageSize = 20;
inline constexpr int kEditorMenuImageSize = 18;
inline constexpr int kMainMenuImageSize = 20;
inline constexpr int kLogoFrameWidth = 39;
inline constexpr int kLogoFrameHeight = 47;
inline constexpr int kLogoFrames = 46;
// Both cursors point with the tip of the index finger.
inline constexpr int kCursorHotSpotX = 12;
inline constexpr int kCursorHotSpotY = 2;

// Site and category icons of "PICTSYS" after the six of fixed use.
enum PictoImage {
  kPictoLibrary = 6, kPictoMuseum, kPictoTownHall, kPictoSchool, kPictoNews, kPictoGames,
  kPictoMusic, kPictoScience, kPictoMap, kPictoSport, kPictoHealth, kPictoTransport,
  kPictoWeather, kPictoShop, kPictoPhoto, kPictoFilm, kPictoWeb, kPictoArt
};

// "TOOLBAR": the site list editor's tool buttons, in the order of the bar.
enum EditorToolImage {
  kToolNew, kToolOpen, kToolSave, kToolPrint, kToolCut, kToolCopy, kToolPaste, kToolDeleteRow,
  kToolInsertRow, kToolFind, kToolSaveClose
};

// "MENU": the site list editor's menu items.
enum EditorMenuImage {
  kMenuNew, kMenuOpen, kMenuSave, kMenuSaveAs, kMenuPrint, kMenuPrinterSetup, kMenuQuit,
  kMenuCut, kMenuCopy, kMenuPaste, kMenuDeleteRow, kMenuInsertRow, kMenuFind, kMenuFindNext,
  kMenuHelp, kMenuAbout
};

// "MENU_MAIN": the main window's pop-up menu.
enum MainMenuImage {
  kMainMenuAbout, kMainMenuAdministration, kMainMenuListEditor, kMainMenuAddToList,
  kMainMenuSettings, kMainMenuQuit, kMainMenuHelp, kMainMenuAutoNavigate, kMainMenuLanguage,
  kMainMenuPage, kMainMenuDomain
};

// The picture of a resource by its name (table above); null for an unknown name.
Glib::RefPtr<Gdk::Pixbuf> LoadPicResource(const std::string& name);

// Puts the picture "PIC <number>" into `image`; without such a picture the image is left as
// it was. True when the picture was set.
bool LoadPicResource(int number, Gtk::Image& image);

// Cuts a horizontal strip into images `width` pixels wide and as high as the strip, left to
// right; a remainder narrower than `width` is dropped. The images share the strip's pixels.
std::vector<Glib::RefPtr<Gdk::Pixbuf>> CutStrip(const Glib::RefPtr<Gdk::Pixbuf>& strip, int width);

// The cursor resource 8100 (hand) or 8101 (tabs) with its hot spot, on the default display;
// null for another number or without a display.
Glib::RefPtr<Gdk::Cursor> LoadCursorResource(int id);

}  // namespace orbeta::browser
