#pragma once

namespace brivanta::ids {

// Commands.
inline constexpr int kDelete = 32772;
inline constexpr int kNewEntry = 32773;
inline constexpr int kEdit = 32774;
inline constexpr int kCut = 32775;
inline constexpr int kCopy = 32776;
inline constexpr int kPaste = 32777;
inline constexpr int kExit = 32779;
inline constexpr int kAbout = 32780;
inline constexpr int kImport = 32781;
inline constexpr int kExport = 32782;
inline constexpr int kSettings = 32797;
inline constexpr int kSave = 32798;
inline constexpr int kShowToolbar = 32810;
inline constexpr int kShowMenuIcons = 32813;
inline constexpr int kListen = 32815;
inline constexpr int kSendToMailbox = 32819;
inline constexpr int kReceiveFromMailbox = 32820;
inline constexpr int kUpload = 32822;
inline constexpr int kUpdateRecommended = 32823;
inline constexpr int kSendToNeighbour = 32824;
inline constexpr int kImportFavorites = 32827;
inline constexpr int kImportHtml = 32828;
inline constexpr int kImportArchive = 32831;
inline constexpr int kShowTrayIcon = 32832;
inline constexpr int kAutoHide = 32833;
inline constexpr int kNewContact = 32834;
inline constexpr int kTipOfTheDay = 32836;
inline constexpr int kHelp = 57670;

// The toolbar of the main window, in order; 0 is a separator.
inline constexpr int kToolbarLayout[] = {kSave,     0, kSendToMailbox, kReceiveFromMailbox, 0,
                                         kSettings, 0, kAbout};

// Controls of the main window.
inline constexpr int kCustomTreeControl = 1000;
inline constexpr int kRecommendedTreeControl = 1001;
inline constexpr int kAddressBookControl = 1002;
inline constexpr int kCategoryTabs = 1043;
inline constexpr int kMainToolbar = 148;

// Dialog results and buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdNewUser = 10;

// Dialogs.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kTipDialog = 105;
inline constexpr int kLoginDialog = 134;
inline constexpr int kBusyDialog = 168;
inline constexpr int kNewUserDialog = 252;

// Controls of the account dialogs.
inline constexpr int kUserNameControl = 1004;
inline constexpr int kPasswordControl = 1005;
inline constexpr int kConfirmPasswordControl = 1006;
inline constexpr int kEmailControl = 1011;
inline constexpr int kSmtpControl = 1002;
inline constexpr int kPop3Control = 1003;
inline constexpr int kBusyAnimationPlace = 1025;

// Controls of the tip dialog and the about box.
inline constexpr int kTipFrame = 1000;
inline constexpr int kTipStartUpCheck = 1001;
inline constexpr int kNextTipButton = 1002;
inline constexpr int kTipText = 1004;
inline constexpr int kAboutWebLink = 1010;
inline constexpr int kAboutMailLink = 1011;

// Icons and bitmaps.
inline constexpr int kBulbBitmap = 104;
inline constexpr int kProgramIcon = 128;
inline constexpr int kBackgroundBitmap = 135;
inline constexpr int kClosedBookIcon = 163;
inline constexpr int kOpenBookIcon = 164;
inline constexpr int kClosedFolderIcon = 143;
inline constexpr int kOpenFolderIcon = 142;
inline constexpr int kAddressBookIcon = 202;
inline constexpr int kRecommendedTabIcon = 243;
inline constexpr int kCustomTabIcon = 244;
inline constexpr int kFemaleIcon = 224;
inline constexpr int kMaleIcon = 225;
inline constexpr int kCancelIcon = 255;
inline constexpr int kOkIcon = 257;

}  // namespace brivanta::ids
