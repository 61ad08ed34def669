#pragma once

// Command identifiers shared by the menu, the toolbar, the document and the view.
// The numbers are fixed, never changed or reused: the tests and any log name a
// command by its number.
namespace ravelin {

// Run commands handled by the document.
inline constexpr int ID_RUN_STEP = 32791;
inline constexpr int ID_RUN_ANIMATE = 32792;
inline constexpr int ID_RUN_FILE = 32793;
inline constexpr int ID_TB_STEP = 32794;
inline constexpr int ID_TB_ANIMATE = 32795;
inline constexpr int ID_TB_FAST = 32796;
inline constexpr int ID_TB_REWIND = 32797;
inline constexpr int ID_SETTINGS = 32798;

// Internal redraw request posted after each demonstration step (no menu item).
inline constexpr int ID_DRAW_DIAGRAM = 0xF007;
// The view's single animation timer.
inline constexpr int ID_ANIM_TIMER = 0xF006;

// Standard commands; ID_FILE_SAVE is taken over by the text export.
inline constexpr int ID_FILE_NEW = 0xE100;
inline constexpr int ID_FILE_OPEN = 0xE101;
inline constexpr int ID_FILE_SAVE = 0xE103;
inline constexpr int ID_FILE_PRINT_SETUP = 0xE106;
inline constexpr int ID_FILE_PRINT = 0xE107;
inline constexpr int ID_FILE_PRINT_DIRECT = 0xE108;
inline constexpr int ID_FILE_PRINT_PREVIEW = 0xE109;
inline constexpr int ID_FILE_MRU_FILE1 = 0xE110; // .. + kMaxRecentFiles - 1
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_APP_EXIT = 0xE141;
inline constexpr int ID_VIEW_TOOLBAR = 0xE800;
inline constexpr int ID_VIEW_STATUS_BAR = 0xE801;

// Entries of the File menu's most-recent-file list.
inline constexpr int kMaxRecentFiles = 4;

// Run modes held in CRavelinDoc::m_nRunMode.
inline constexpr int kRunIdle = 0;
inline constexpr int kRunStep = 1;
inline constexpr int kRunAnimate = 2;
inline constexpr int kRunFile = 3;

// Animation intervals in milliseconds.
inline constexpr int kIntervalNormal = 500;
inline constexpr int kIntervalFast = 100;

// A demonstration always runs exactly this many steps (times -1 .. 18).
inline constexpr int kDemoSteps = 20;
// Taps of the animated filter.
inline constexpr int kDemoTaps = 10;

} // namespace ravelin
