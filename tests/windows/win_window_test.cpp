// The wizard's native Windows window under Wine: what only the Win32 front end shows, which the
// in-memory front end cannot: the controls as the system makes them (classes, places, styles,
// fonts, the Tab order), the texts as UTF-16, the pictures decoded by Windows, the close box,
// the keyboard interface of the message loop, the private messages posted with PostMessageW
// and the real message boxes, the About dialog and its links, the start-up guard, and the
// program file's version record and manifest. Each test needs Wine's display (the test run's
// Xvfb) and skips without it.
#include "ui/win32/Win32.h"
// After Win32.h.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "WindowHarness.h"
#include "ui/win32/AboutDialog.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/Startup.h"
#include "ui/win32/Utf.h"
#include "ui/win32/WizardWindow.h"
#include "wizard/Layout.h"
#include "wizard/Settings.h"
#include "wizard/TextFormat.h"

namespace {

using ui::win32::WizardWindow;
using wintest::PumpFor;
using wintest::PumpUntil;
using wintest::TextOf;
using wizard::DialogAnswer;
using wizard::DialogButtons;
using wizard::DialogKind;

class WindowOnWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

  void SetUp() override {
    if (!wintest::HaveDisplay()) GTEST_SKIP() << "no X server for Wine's windows (Xvfb missing)";
    // A serial port of the machine and the device's bridge, pre-selected on step 5.
    wintest::WriteSerialPorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\Silabser0", "COM33"}});
  }
  void TearDown() override {
    ui::win32::SetLinkOpener({});
    wintest::RestoreSerialPorts();
  }

  // Walks the window forward to a step with Next (Connect on step 6), as the buttons would, and
  // stops the timer there so that nothing happens behind the test's back.
  static void WalkTo(TFormMj& form, int step) {
    while (form.WizardStep < step) form.NextStep();
    form.TimerGestionSerie->SetEnabled(false);
  }

  static LONG_PTR Style(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
  static LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
  }
  static bool Visible(HWND window) { return (Style(window) & WS_VISIBLE) != 0; }

  wintest::DialogScript dialogs_;
};

// ---- The window as laid out -----------------------------------------------------------------

TEST_F(WindowOnWine, ControlsStandWhereTheLayoutPutsThemWithTheirStylesAndFonts) {
  WizardWindow window;
  const wintest::ControlHandles h{window};
  struct Case {
    const char* name;
    HWND control;
    const wchar_t* windowClass;
    const wizard::layout::Component& laidOut;
  } cases[] = {
      {"ButtonQuitter", h(wizard::layout::ButtonQuitter), L"Button", wizard::layout::ButtonQuitter},
      {"ButtonPrecedant", h(wizard::layout::ButtonPrecedant), L"Button",
       wizard::layout::ButtonPrecedant},
      {"ButtonSuivant", h(wizard::layout::ButtonSuivant), L"Button", wizard::layout::ButtonSuivant},
      {"EditEtape", h(wizard::layout::EditEtape), L"Edit", wizard::layout::EditEtape},
      {"LabelTitreEtape", h(wizard::layout::LabelTitreEtape), L"Static",
       wizard::layout::LabelTitreEtape},
      {"ImageConnectAppareilaPC", h(wizard::layout::ImageConnectAppareilaPC), L"Orb42Picture",
       wizard::layout::ImageConnectAppareilaPC},
      {"ProgressBarProgrammation", h(wizard::layout::ProgressBarProgrammation), PROGRESS_CLASSW,
       wizard::layout::ProgressBarProgrammation},
      {"ButtonAPropos", h(wizard::layout::ButtonAPropos), L"Button", wizard::layout::ButtonAPropos},
      {"Image1", h(wizard::layout::Image1), L"Orb42Picture", wizard::layout::Image1},
      {"LabelLigne1", h(wizard::layout::LabelLigne1), L"Static", wizard::layout::LabelLigne1},
      {"LabelLigne2", h(wizard::layout::LabelLigne2), L"Static", wizard::layout::LabelLigne2},
      {"LabelLigne3", h(wizard::layout::LabelLigne3), L"Static", wizard::layout::LabelLigne3},
      {"LabelLigne4", h(wizard::layout::LabelLigne4), L"Static", wizard::layout::LabelLigne4},
      {"LabelBarreProgression", h(wizard::layout::LabelBarreProgression), L"Static",
       wizard::layout::LabelBarreProgression},
      {"LabelLigne5", h(wizard::layout::LabelLigne5), L"Static", wizard::layout::LabelLigne5},
  };
  for (const Case& c : cases) {
    wchar_t windowClass[64] = {};
    GetClassNameW(c.control, windowClass, 64);
    EXPECT_EQ(lstrcmpiW(windowClass, c.windowClass), 0) << c.name;
    EXPECT_EQ(ui::win32::ControlRect(c.control), c.laidOut.rect) << c.name;
    // Pictures and the bar show no text; step 1, set up by the constructor, restyles line 1
    // and the remark (its own test looks at them).
    if (c.laidOut.kind == wizard::layout::Kind::Picture ||
        c.laidOut.kind == wizard::layout::Kind::ProgressBar ||
        c.control == h(wizard::layout::LabelLigne1) ||
        c.control == h(wizard::layout::LabelBarreProgression))
      continue;
    const LOGFONTW font = FontOf(c.control);
    EXPECT_EQ(font.lfHeight, -c.laidOut.fontPixels) << c.name;
    EXPECT_EQ(font.lfWeight, c.laidOut.bold ? FW_BOLD : FW_NORMAL) << c.name;
    EXPECT_EQ(std::wstring(font.lfFaceName), ui::win32::WizardFontFace()) << c.name;
  }
  EXPECT_EQ(ui::win32::ControlRect(h(wizard::layout::ListBoxSelectLangPort)).width,
            wizard::layout::ListBoxSelectLangPort.rect.width);

  // A fixed window: the client area as laid out, a single border, no system menu (so no close,
  // minimise or maximise box).
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, 558);
  EXPECT_EQ(client.bottom, 403);
  const LONG_PTR style = Style(window.Handle());
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_SYSMENU | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(GetClassLongPtrW(window.Handle(), GCLP_HICON), 0u);  // the program's icon

  // Labels: one line each, "&" shown as it is; the title centred, the others left-aligned until
  // a step says otherwise (step 1 centres lines 1 and 2 and the remark).
  for (HWND label : {h(wizard::layout::LabelTitreEtape), h(wizard::layout::LabelLigne3),
                     h(wizard::layout::LabelLigne4), h(wizard::layout::LabelLigne5)}) {
    EXPECT_TRUE(Style(label) & SS_NOPREFIX);
  }
  EXPECT_EQ(Style(h(wizard::layout::LabelTitreEtape)) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(Style(h(wizard::layout::LabelLigne3)) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Style(h(wizard::layout::LabelLigne1)) & SS_TYPEMASK, SS_CENTER);
  // The step indicator: read-only, no tab stop.
  EXPECT_TRUE(Style(h(wizard::layout::EditEtape)) & ES_READONLY);
  EXPECT_FALSE(Style(h(wizard::layout::EditEtape)) & WS_TABSTOP);
  // The list: one selection at most, reported to the window, 13-pixel items.
  const LONG_PTR list = Style(h(wizard::layout::ListBoxSelectLangPort));
  EXPECT_TRUE(list & LBS_NOTIFY);
  EXPECT_FALSE(list & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_EQ(SendMessageW(h(wizard::layout::ListBoxSelectLangPort), LB_GETITEMHEIGHT, 0, 0), 13);
  EXPECT_FALSE(window.ListSorted());  // the languages
  // The bar: hidden, 0 to 100, in segments; the connection picture takes no mouse input.
  EXPECT_FALSE(Visible(h(wizard::layout::ProgressBarProgrammation)));
  EXPECT_EQ(SendMessageW(h(wizard::layout::ProgressBarProgrammation), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_FALSE(Style(h(wizard::layout::ProgressBarProgrammation)) & PBS_SMOOTH);
  EXPECT_FALSE(IsWindowEnabled(h(wizard::layout::ImageConnectAppareilaPC)));

  // Tab order: Quit, Previous, Next, (the step indicator is skipped), bar, About, list.
  std::vector<HWND> tabStops;
  for (HWND child = GetWindow(window.Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (Style(child) & WS_TABSTOP) tabStops.push_back(child);
  EXPECT_EQ(tabStops,
            (std::vector<HWND>{
                h(wizard::layout::ButtonQuitter), h(wizard::layout::ButtonPrecedant),
                h(wizard::layout::ButtonSuivant), h(wizard::layout::ProgressBarProgrammation),
                h(wizard::layout::ButtonAPropos), h(wizard::layout::ListBoxSelectLangPort)}));
  // The picture lies under the lines and the list: last of the stack.
  EXPECT_EQ(GetWindow(h(wizard::layout::ImageConnectAppareilaPC), GW_HWNDNEXT), nullptr);

  // Quit's tooltip, French in both languages.
  HWND tooltip = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM found) {
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (lstrcmpW(name, TOOLTIPS_CLASSW) != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tooltip));
  ASSERT_NE(tooltip, nullptr);
  wchar_t tip[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window.Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(h(wizard::layout::ButtonQuitter));
  tool.lpszText = tip;
  SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(tip), L"permet de quitter la mise à jours");
}

// Everything step 1 shows, read back from the controls as UTF-16: the accents arrive whole.
TEST_F(WindowOnWine, StepOneShowsItsFrenchTextsWhole) {
  WizardWindow window;
  const wintest::ControlHandles h{window};
  struct Line {
    const char* name;
    HWND control;
    const wchar_t* text;
    bool visible;
  } lines[] = {
      {"window", window.Handle(), L"Mise à jour V1.5 de votre Télécommande ORB42TLX", true},
      {"title", h(wizard::layout::LabelTitreEtape), L"Mise à jour de votre Télécommande ORB42TLX ",
       true},
      {"line 1", h(wizard::layout::LabelLigne1), L"Mise à jour V1.5 de votre Télécommande ORB42TLX",
       true},
      {"line 2", h(wizard::layout::LabelLigne2), L"Choix De la Langue", true},
      {"line 3", h(wizard::layout::LabelLigne3),
       L"Selectionnez la langue de votre choix parmi la liste :", true},
      {"line 4", h(wizard::layout::LabelLigne4), L"", false},
      {"line 5", h(wizard::layout::LabelLigne5), L"", false},
      {"remark", h(wizard::layout::LabelBarreProgression),
       L"Cette mise à jour permet de bénéficier pleinement des dernières évolutions.", true},
      {"step", h(wizard::layout::EditEtape), L"Etape n° 1 sur 10", true},
      {"Quit", h(wizard::layout::ButtonQuitter), L"&Quitter", true},
      {"Previous", h(wizard::layout::ButtonPrecedant), L"&Précédent", true},
      {"Next", h(wizard::layout::ButtonSuivant), L"&Suivant", true},
      {"About", h(wizard::layout::ButtonAPropos), L"&A propos", true},
  };
  for (const Line& l : lines) {
    EXPECT_EQ(TextOf(l.control), l.text) << l.name;
    if (l.control != window.Handle()) {
      EXPECT_EQ(Visible(l.control), l.visible) << l.name;
    }
  }
  EXPECT_TRUE(IsWindowEnabled(h(wizard::layout::ButtonQuitter)));
  EXPECT_FALSE(IsWindowEnabled(h(wizard::layout::ButtonPrecedant)));
  EXPECT_TRUE(IsWindowEnabled(h(wizard::layout::ButtonSuivant)));
  EXPECT_TRUE(IsWindowEnabled(h(wizard::layout::ButtonAPropos)));
  // Line 1 bold and centred, line 2 centred, line 3 left; the remark italic, 13 pixels, centred.
  EXPECT_EQ(FontOf(h(wizard::layout::LabelLigne1)).lfWeight, FW_BOLD);
  EXPECT_EQ(Style(h(wizard::layout::LabelLigne1)) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(Style(h(wizard::layout::LabelLigne2)) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(Style(h(wizard::layout::LabelLigne3)) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  const LOGFONTW remark = FontOf(h(wizard::layout::LabelBarreProgression));
  EXPECT_TRUE(remark.lfItalic);
  EXPECT_EQ(remark.lfWeight, FW_NORMAL);
  EXPECT_EQ(remark.lfHeight, -13);
  EXPECT_EQ(Style(h(wizard::layout::LabelBarreProgression)) & SS_TYPEMASK, SS_CENTER);
  // The languages, "Français" selected, right of the prompt as measured in line 3's font.
  HWND list = h(wizard::layout::ListBoxSelectLangPort);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  wchar_t item[32] = {};
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::wstring(item), L"Français");
  SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::wstring(item), L"English");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(Visible(list));
  const int prompt =
      ui::win32::TextWidthIn(window.LabelFont(h(wizard::layout::LabelLigne3)),
                             L"Selectionnez la langue de votre choix parmi la liste :");
  // The layout's own width: Windows' entries ("COM3 : TALVIRE") name no device node.
  EXPECT_EQ(ui::win32::ControlRect(list), (wizard::Rect{prompt + 10, 174, 145, 104}));
  EXPECT_FALSE(Visible(h(wizard::layout::ImageConnectAppareilaPC)));
  EXPECT_FALSE(Visible(h(wizard::layout::ProgressBarProgrammation)));
  EXPECT_TRUE(Visible(h(wizard::layout::Image1)));
}

// No text is cut: on every step, in both languages, every visible label's text is narrower than
// the label in the label's own font, and every caption fits its button. The lines that the
// device checks write on steps 8 and 9 are measured in the lines that show them. A few pixels
// are kept spare: a face drawn by another in its place (Wine's) may draw its glyphs past their
// advance widths.
TEST_F(WindowOnWine, EveryTextOfEveryStepFitsItsControl) {
  constexpr int kSpare = 6;
  // The longest entries the list can have: Device Manager offers COM1 to COM256, and the COM
  // name arbiter's database grows to COM4096 when a machine has seen that many ports.
  wintest::WriteSerialPorts({{"\\Device\\Serial0", "COM1"},
                             {"\\Device\\Silabser0", "COM33"},
                             {"\\Device\\Silabser1", "COM4096"},
                             {"\\Device\\VCP0", "COM4095"}});
  for (LanguageIndex language : {0, 1}) {
    WizardWindow window;
    TFormMj& form = window.Form();
    const wintest::ControlHandles h{window};
    form.SetLanguage(language);
    auto checkStep = [&](int step) {
      for (HWND label : {h(wizard::layout::LabelTitreEtape), h(wizard::layout::LabelLigne1),
                         h(wizard::layout::LabelLigne2), h(wizard::layout::LabelLigne3),
                         h(wizard::layout::LabelLigne4), h(wizard::layout::LabelLigne5),
                         h(wizard::layout::LabelBarreProgression)}) {
        if (!Visible(label)) continue;
        const std::wstring text = TextOf(label);
        EXPECT_LE(ui::win32::TextWidthIn(window.LabelFont(label), text) + kSpare,
                  ui::win32::ControlRect(label).width)
            << "step " << step << ": " << ui::win32::Narrow(text);
      }
      for (HWND button : {h(wizard::layout::ButtonQuitter), h(wizard::layout::ButtonPrecedant),
                          h(wizard::layout::ButtonSuivant), h(wizard::layout::ButtonAPropos)}) {
        std::wstring caption = TextOf(button);
        caption.erase(caption.find(L'&'), 1);
        EXPECT_LE(ui::win32::TextWidthIn(ui::win32::WizardFont(), caption) + 8 + kSpare,
                  ui::win32::ControlRect(button).width)
            << "step " << step << ": " << ui::win32::Narrow(caption);
      }
      HWND list = h(wizard::layout::ListBoxSelectLangPort);
      if (step == 5) {
        EXPECT_NE(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(L"COM4096 : TALVIRE")),
                  LB_ERR);
      }
      if (Visible(list)) {
        EXPECT_LE(ui::win32::ControlRect(list).left + ui::win32::ControlRect(list).width, 558)
            << "step " << step;
        for (int row = 0; row < SendMessageW(list, LB_GETCOUNT, 0, 0); ++row) {
          wchar_t entry[64] = {};
          SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(entry));
          // 2 pixels in, and the list's frame and scroll bar beside it.
          EXPECT_LE(ui::win32::TextWidthIn(ui::win32::WizardFont(), entry) + 2 + kSpare,
                    ui::win32::ControlRect(list).width - 4 - GetSystemMetrics(SM_CXVSCROLL))
              << "step " << step << ": " << ui::win32::Narrow(entry);
        }
      }
    };
    for (int step = 1; step <= 10; ++step) {
      WalkTo(form, step);
      if (step == 8) {  // what the checks write, one line each
        const auto fmt = [&](const TextPair& pair, std::initializer_list<wizard::FormatArg> args) {
          return wizard::FormatText(pair.Get(language), args);
        };
        form.LabelLigne1->SetText(txt::CheckDeviceModel.Get(language));
        form.LabelLigne2->SetText(fmt(txt::CheckSerialNumber, {399999999UL}));
        form.LabelLigne4->SetText(txt::CheckPreparing.Get(language));
        for (auto* label : {form.LabelLigne1, form.LabelLigne2, form.LabelLigne4})
          label->SetVisible(true);
      }
      if (step == 9) {
        form.ProgressBarProgrammation->SetPosition(form.ProgressBarProgrammation->Maximum());
        form.LabelBarreProgression->SetText(
            wizard::FormatText(txt::Progress.Get(language), {100.0}));
      }
      checkStep(step);
    }
    // Step 7's count-down, written while the remark is hidden and shown on the way back to 6.
    form.LabelBarreProgression->SetText(
        wizard::FormatText(txt::Countdown.Get(language), {CP03::DeviceName(), 28.5}));
    EXPECT_LE(ui::win32::TextWidthIn(window.LabelFont(h(wizard::layout::LabelBarreProgression)),
                                     TextOf(h(wizard::layout::LabelBarreProgression))) +
                  kSpare,
              553);
  }
}

// The pictures come from the program's resources, decoded by Windows; a picture is drawn at its
// own size from its control's corner and never scaled, so step 3's half-width control shows the
// left half of the connection picture pixel for pixel.
TEST_F(WindowOnWine, PicturesAreDecodedAtTheirSizeAndCroppedNotScaled) {
  struct Size {
    HBITMAP bitmap;
    LONG width, height;
  } sizes[] = {{ui::win32::BannerBitmap(), 330, 53},
               {ui::win32::ConnectionBitmap(), 362, 193},
               {ui::win32::AboutBannerBitmap(), 441, 41}};
  for (const Size& s : sizes) {
    BITMAP info{};
    ASSERT_NE(GetObjectW(s.bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, s.width);
    EXPECT_EQ(info.bmHeight, s.height);
  }
  ICONINFO icon{};
  ASSERT_TRUE(GetIconInfo(ui::win32::ProgramIcon(32), &icon));
  BITMAP mask{};
  GetObjectW(icon.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);

  WizardWindow window;
  TFormMj& form = window.Form();
  WalkTo(form, 3);
  HWND picture = window.Handle(wizard::layout::ImageConnectAppareilaPC);
  ASSERT_EQ(ui::win32::ControlRect(picture).width, 181);
  EXPECT_TRUE(Visible(picture));
  // What the control draws, beside the picture itself.
  HDC screen = GetDC(nullptr);
  HDC drawn = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 181, 193);
  const HGDIOBJ oldCanvas = SelectObject(drawn, canvas);
  SendMessageW(picture, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn), PRF_CLIENT);
  HDC source = CreateCompatibleDC(screen);
  const HGDIOBJ oldSource = SelectObject(source, ui::win32::ConnectionBitmap());
  int differing = 0;
  for (int y = 0; y < 193; y += 3)
    for (int x = 0; x < 181; x += 3)
      if (GetPixel(drawn, x, y) != GetPixel(source, x, y)) ++differing;
  EXPECT_EQ(differing, 0);
  SelectObject(source, oldSource);
  SelectObject(drawn, oldCanvas);
  DeleteObject(canvas);
  DeleteDC(source);
  DeleteDC(drawn);
  ReleaseDC(nullptr, screen);
  WalkTo(form, 4);
  EXPECT_EQ(ui::win32::ControlRect(picture).width, 362);
}

// ---- Closing ----------------------------------------------------------------------------------

// The system's close (Alt+F4, the taskbar) is Quit while Quit is enabled, and is refused while
// the device is checked or programmed; a closing ends the message loop.
TEST_F(WindowOnWine, SystemCloseIsQuitExceptWhileTheDeviceIsWorkedOn) {
  for (int step = 1; step <= 10; ++step) {
    WizardWindow window;
    WalkTo(window.Form(), step);
    const int quits = wintest::QuitsSeen();
    SendMessageW(window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // what Alt+F4 sends
    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
    PumpFor(nullptr, 20);
    const bool refused = step == 8 || step == 9;
    EXPECT_EQ(IsWindow(window.Handle()) != FALSE, refused) << "step " << step;
    EXPECT_EQ(wintest::QuitsSeen() - quits, refused ? 0 : 1) << "step " << step;
  }
  WizardWindow window;
  window.Form().ButtonQuitterClick();
  EXPECT_FALSE(IsWindow(window.Handle()));
}

// ---- The private messages and the message boxes ------------------------------------------------

// Each message the window posts itself (PostMessageW) reaches its outcome handler, whose answer
// leads where it should: Yes back to step 4 with the timer off, anything else out of the program.
TEST_F(WindowOnWine, PostedOutcomesAndTheirAnswersLeadWhereTheyShould) {
  struct Case {
    const char* name;
    int fromStep;
    UINT message;
    WPARAM wParam;
    std::uint32_t major, minor;
    DialogAnswer answer;
    DialogKind kind;
    DialogButtons buttons;
    int stepAfter;  // 0: the window closed
  } cases[] = {
      {"connection failed", 7, WM_CONNECT_FAILED, 0, 0, 0, DialogAnswer::Ok, DialogKind::Error,
       DialogButtons::Ok, 4},
      {"link failed, Yes", 8, WM_LINK_FAILED, 100002, 0, 0, DialogAnswer::Yes, DialogKind::Error,
       DialogButtons::YesNo, 4},
      {"link failed, No", 9, WM_LINK_FAILED, 100002, 0, 0, DialogAnswer::No, DialogKind::Error,
       DialogButtons::YesNo, 0},
      {"wrong loader, Yes", 8, WM_DEVICE_REFUSED, RefusedIdentity, 0, 0, DialogAnswer::Yes,
       DialogKind::Error, DialogButtons::YesNo, 4},
      {"serial number, No", 8, WM_DEVICE_REFUSED, RefusedSerialNumber, 0, 0, DialogAnswer::No,
       DialogKind::Error, DialogButtons::YesNo, 0},
      {"already 1.5, Yes", 8, WM_DEVICE_REFUSED, RefusedVersion, 1, 5, DialogAnswer::Yes,
       DialogKind::Information, DialogButtons::YesNo, 4},
      {"more recent, dismissed", 8, WM_DEVICE_REFUSED, RefusedVersion, 2, 0,
       DialogAnswer::Dismissed, DialogKind::Information, DialogButtons::YesNo, 0},
      {"device type, Yes", 8, WM_DEVICE_REFUSED, RefusedDeviceType, 0, 0, DialogAnswer::Yes,
       DialogKind::Error, DialogButtons::YesNo, 4},
  };
  for (const Case& c : cases) {
    wintest::DialogScript dialogs;
    dialogs.Answer(c.answer);
    WizardWindow window;
    TFormMj& form = window.Form();
    WalkTo(form, c.fromStep);
    form.VersionMajor = c.major;
    form.VersionMinor = c.minor;
    window.PostMessage(static_cast<int>(c.message), static_cast<std::intptr_t>(c.wParam));
    PumpUntil(
        window.Handle(), [&] { return !dialogs.Shown().empty(); }, 2000);
    ASSERT_EQ(dialogs.Shown().size(), 1u) << c.name;
    const wizard::DialogRequest& shown = dialogs.Shown()[0];
    EXPECT_EQ(shown.kind, c.kind) << c.name;
    EXPECT_EQ(shown.buttons, c.buttons) << c.name;
    EXPECT_STREQ(wizard::DialogTitle(shown), c.kind == DialogKind::Error ? "Error" : "Information")
        << c.name;
    if (c.stepAfter == 0) {
      EXPECT_FALSE(IsWindow(window.Handle())) << c.name;
    } else {
      EXPECT_TRUE(IsWindow(window.Handle())) << c.name;
      EXPECT_EQ(form.WizardStep, c.stepAfter) << c.name;
      EXPECT_FALSE(form.TimerGestionSerie->Enabled()) << c.name;
      EXPECT_EQ(TextOf(window.Handle(wizard::layout::EditEtape)), L"Etape n° 4 sur 10") << c.name;
    }
    EXPECT_FALSE(form.Link.IsOpen()) << c.name;
  }
  // Success moves on one step without a dialog.
  wintest::DialogScript dialogs;
  WizardWindow window;
  WalkTo(window.Form(), 8);
  window.PostMessage(WM_STEP_DONE, 0);
  PumpUntil(
      window.Handle(), [&] { return window.Form().WizardStep == 9; }, 2000);
  EXPECT_EQ(window.Form().WizardStep, 9);
  EXPECT_TRUE(dialogs.Shown().empty());
}

// Windows' dialog manager sends DM_GETDEFID (WM_USER) and DM_SETDEFID (WM_USER + 1) to the
// window that IsDialogMessage handles, when the focus moves between push buttons; Wine's never
// does, so the test sends them as Windows would. WM_USER + 1 is also the number of the
// wizard's transmission failure: neither may show a box, close the link or move the wizard. And
// Tab through every button of every step shows no box either.
TEST_F(WindowOnWine, DialogManagersMessagesAreNotTheWizards) {
  wintest::DialogScript dialogs;
  WizardWindow window;
  TFormMj& form = window.Form();
  window.Show();
  for (int step : {5, 7, 9}) {
    WalkTo(form, step);
    const std::wstring title = TextOf(window.Handle(wizard::layout::LabelTitreEtape));
    const std::wstring line1 = TextOf(window.Handle(wizard::layout::LabelLigne1));
    // The step's timer runs while the dialog manager's messages come, as it would.
    form.TimerGestionSerie->SetEnabled(true);
    SendMessageW(window.Handle(), DM_SETDEFID,
                 static_cast<WPARAM>(GetDlgCtrlID(window.Handle(wizard::layout::ButtonSuivant))),
                 0);
    SendMessageW(window.Handle(), DM_GETDEFID, 0, 0);
    EXPECT_TRUE(form.TimerGestionSerie->Enabled()) << "step " << step;
    form.TimerGestionSerie->SetEnabled(false);  // no tick here: there is no device
    PostMessageW(window.Handle(), DM_SETDEFID, 0, 0);
    PumpFor(window.Handle(), 200);
    EXPECT_TRUE(dialogs.Shown().empty()) << "step " << step;
    EXPECT_EQ(form.WizardStep, step);
    EXPECT_EQ(TextOf(window.Handle(wizard::layout::LabelTitreEtape)), title);
    EXPECT_EQ(TextOf(window.Handle(wizard::layout::LabelLigne1)), line1);
  }

  WizardWindow tabbed;
  TFormMj& f = tabbed.Form();
  tabbed.Show();
  for (int step = 1; step <= 9; ++step) {
    WalkTo(f, step);
    SetFocus(tabbed.Handle(wizard::layout::ButtonQuitter));
    for (int press = 0; press < 8; ++press) {
      wintest::PostKey(GetFocus(), VK_TAB);
      PumpFor(tabbed.Handle(), 30);
    }
    EXPECT_TRUE(dialogs.Shown().empty()) << "step " << step;
    EXPECT_EQ(f.WizardStep, step);
  }
}

// The real boxes: MessageBoxW with the kind's English title and icon, the text in UTF-16, and
// "&Yes" / "&No" or "OK" buttons; the button pressed is the answer.
TEST_F(WindowOnWine, RealMessageBoxesShowTitleIconTextAndEnglishButtons) {
  ui::win32::SetDialogHandler({});  // the real boxes for this test
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    std::uint32_t major, minor;
    const wchar_t* title;
    LPCWSTR icon;
    std::vector<std::pair<int, std::wstring>> buttons;
    const wchar_t* textStart;
    int press;
    int stepAfter;
  } cases[] = {
      {"serial number",
       WM_DEVICE_REFUSED,
       RefusedSerialNumber,
       0,
       0,
       L"Error",
       IDI_ERROR,
       {{IDYES, L"&Yes"}, {IDNO, L"&No"}},
       L"Le numéro de série de votre Télécommande ORB42TLX n'est pas valide.",
       IDYES,
       4},
      {"already installed",
       WM_DEVICE_REFUSED,
       RefusedVersion,
       1,
       5,
       L"Information",
       IDI_INFORMATION,
       {{IDYES, L"&Yes"}, {IDNO, L"&No"}},
       L"Votre Télécommande ORB42TLX a déjà cette mise à jour.",
       IDNO,
       0},
      {"connection failed",
       WM_CONNECT_FAILED,
       0,
       0,
       0,
       L"Error",
       IDI_ERROR,
       {{IDOK, L"OK"}},
       L"Echec à la connexion :",
       IDOK,
       4},
  };
  for (const Case& c : cases) {
    WizardWindow window;
    TFormMj& form = window.Form();
    window.Show();
    WalkTo(form, c.message == WM_CONNECT_FAILED ? 7 : 8);
    form.VersionMajor = c.major;
    form.VersionMinor = c.minor;
    std::wstring title, text;
    std::vector<std::pair<int, std::wstring>> buttons;
    bool ownedByWizard = false, iconShown = false;
    const HWND wizardWindow = window.Handle();
    wintest::WhenWindowAppears(
        [] { return wintest::FindThreadWindow(L"#32770"); },
        [&](HWND box) {
          title = TextOf(box);
          ownedByWizard = GetWindow(box, GW_OWNER) == wizardWindow;
          const HICON expected = LoadIconW(nullptr, c.icon);
          for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
               child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t windowClass[32] = {};
            GetClassNameW(child, windowClass, 32);
            const int id = GetDlgCtrlID(child);
            if (lstrcmpiW(windowClass, L"Button") == 0 && IsWindowVisible(child))
              buttons.emplace_back(id, TextOf(child));
            if (lstrcmpiW(windowClass, L"Static") == 0) {
              if ((Style(child) & SS_TYPEMASK) == SS_ICON)
                iconShown =
                    reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == expected;
              else if (!TextOf(child).empty())
                text = TextOf(child);
            }
          }
          PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.press, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(box, c.press)));
        });
    window.PostMessage(static_cast<int>(c.message), static_cast<std::intptr_t>(c.wParam));
    PumpUntil(
        window.Handle(), [&] { return !title.empty(); }, 5000);
    PumpFor(window.Handle(), 50);
    EXPECT_EQ(title, c.title) << c.name;
    EXPECT_TRUE(ownedByWizard) << c.name;
    EXPECT_TRUE(iconShown) << c.name;
    EXPECT_EQ(text.rfind(c.textStart, 0), 0u) << c.name << ": " << ui::win32::Narrow(text);
    EXPECT_EQ(buttons, c.buttons) << c.name;
    if (c.stepAfter == 0) {
      EXPECT_FALSE(IsWindow(window.Handle())) << c.name;
    } else {
      EXPECT_EQ(form.WizardStep, c.stepAfter) << c.name;
    }
  }
}

// ---- The keyboard and the list ------------------------------------------------------------------

// The message loop gives the window a dialog's keyboard: Return presses the focused button,
// Alt+letter the button of that mnemonic when it is visible and enabled.
TEST_F(WindowOnWine, ReturnAndMnemonicsPressTheButtons) {
  WizardWindow window;
  TFormMj& form = window.Form();
  const wintest::ControlHandles h{window};
  window.Show();
  form.TimerGestionSerie->SetEnabled(false);
  SetFocus(h(wizard::layout::ButtonSuivant));
  wintest::PostKey(h(wizard::layout::ButtonSuivant), VK_RETURN);
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 2);
  wintest::PostAltKey(GetFocus(), L's');  // "&Suivant"
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 3);
  wintest::PostAltKey(GetFocus(), L'p');  // "&Précédent"
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 2);
  wintest::PostAltKey(GetFocus(), L'p');
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 1);
  wintest::PostAltKey(GetFocus(), L'p');  // Previous is disabled on step 1
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 1);
  // Step 8: Quit disabled, Previous hidden; their mnemonics do nothing.
  WalkTo(form, 8);
  SetFocus(window.Handle());
  wintest::PostAltKey(window.Handle(), L'q');
  wintest::PostAltKey(window.Handle(), L'a');  // Previous reads "&Annuler" since step 7
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(form.WizardStep, 8);
  EXPECT_TRUE(IsWindow(window.Handle()));
}

// Only the user's own changes of the selection reach the click handler, and the user cannot
// empty it: a click in the empty part, Ctrl+click or Ctrl+Space on the selected entry leave it.
TEST_F(WindowOnWine, TheListTakesOnlyTheUsersChangesAndKeepsOneSelected) {
  WizardWindow window;
  TFormMj& form = window.Form();
  const wintest::ControlHandles h{window};
  window.Show();
  HWND list = h(wizard::layout::ListBoxSelectLangPort);
  // Step 1: a click on "English" redisplays the step in English.
  RECT english{};
  SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&english));
  wintest::PostClick(list, english.left + 5, english.top + 5);
  PumpUntil(
      window.Handle(), [&] { return form.Language == 1; }, 2000);
  EXPECT_EQ(form.Language, 1);
  EXPECT_EQ(TextOf(window.Handle()), L"Update V1.5 of Télécommande ORB42TLX");
  EXPECT_EQ(TextOf(h(wizard::layout::ButtonSuivant)), L"&Next");

  // Step 5: the bridge pre-selected by the step, which is no click.
  form.PortIndex = 99;
  WalkTo(form, 5);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);  // "COM33 : TALVIRE"
  PumpFor(window.Handle(), 50);
  EXPECT_EQ(form.PortIndex, 99);
  RECT first{};
  SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  wintest::PostClick(list, first.left + 5, first.top + 5);
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(form.PortIndex, 0);  // COM1
  RECT client{};
  GetClientRect(list, &client);
  wintest::PostClick(list, 5, client.bottom - 5);  // below the entries
  wintest::PostClick(list, first.left + 5, first.top + 5, MK_CONTROL);
  SetFocus(list);
  PostMessageW(list, WM_KEYDOWN, VK_CONTROL, 1);
  wintest::PostKey(list, VK_SPACE);
  PostMessageW(list, WM_KEYUP, VK_CONTROL, 1 | (3LL << 30));
  PumpFor(window.Handle(), 100);
  EXPECT_NE(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  // The arrow keys choose too.
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  wintest::PostKey(list, VK_DOWN);
  PumpFor(window.Handle(), 100);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(form.PortIndex, 32);  // COM33
  form.ButtonSuivantClick();
  EXPECT_EQ(form.WizardStep, 6);
}

// ---- The About dialog -----------------------------------------------------------------------

TEST_F(WindowOnWine, AboutDialogFollowsTheWizardsLanguageAndReturnCloses) {
  WizardWindow window;
  TFormMj& form = window.Form();
  ui::win32::TFormAPropos about(window.Handle());
  window.SetAboutDialog(&about);
  window.Show();
  struct Seen {
    std::wstring caption, ok, telephone, fax, mail, site, address;
    bool wizardDisabled = false, okIsDefault = false, okHasTheKeyboard = false;
    wizard::Rect client;
  };
  std::vector<Seen> seen;
  auto openAndLook = [&] {
    wintest::WhenWindowAppears(
        [&] { return about.IsShown() ? about.Handle() : nullptr; },
        [&](HWND dialog) {
          Seen s;
          s.caption = TextOf(dialog);
          s.ok = TextOf(about.ButtonOk);
          s.telephone = TextOf(about.LabelTelephone);
          s.fax = TextOf(about.LabelTelecopie);
          s.mail = TextOf(about.LabelMel);
          s.site = TextOf(about.LabelNomSite);
          s.address = TextOf(about.LabelAdresse);
          s.wizardDisabled = !IsWindowEnabled(window.Handle());
          s.okIsDefault = HIWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)) == DC_HASDEFID &&
                          LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)) == IDOK;
          RECT r{};
          GetClientRect(dialog, &r);
          s.client = {0, 0, static_cast<int>(r.right), static_cast<int>(r.bottom)};
          s.okHasTheKeyboard = GetFocus() == about.ButtonOk;
          seen.push_back(s);
          // Enter, to the control that has the keyboard (should it be elsewhere, the dialog
          // is closed all the same so that the test fails rather than waits).
          if (IsChild(dialog, GetFocus()))
            wintest::PostKey(GetFocus(), VK_RETURN);
          else
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    PumpFor(window.Handle(), 200);  // the user's pause: the last closing settles first
    form.ButtonAProposClick();      // returns when the dialog is closed
  };
  openAndLook();
  form.SetLanguage(1);
  openAndLook();
  openAndLook();
  form.SetLanguage(0);
  openAndLook();
  ASSERT_EQ(seen.size(), 4u);
  const wchar_t* captions[] = {L"A propos de la mise à jour", L"About update", L"About update",
                               L"A propos de la mise à jour"};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const Seen& s = seen[i];
    EXPECT_EQ(s.caption, captions[i]) << i;
    EXPECT_EQ(s.ok, L"&Ok") << i;
    // The contact lines stay French whatever the language.
    EXPECT_EQ(s.telephone, L"Tél : 01 99 00 12 34") << i;
    EXPECT_EQ(s.fax, L"Télécopie  : 01 99 00 12 35") << i;
    EXPECT_EQ(s.mail, L"Mèl : support@talvire.example") << i;
    EXPECT_EQ(s.site, L"Site : https://www.talvire.example/") << i;
    EXPECT_EQ(s.address, L"Z.A. des Essais, 12 rue de l'Exemple") << i;
    EXPECT_TRUE(s.wizardDisabled) << i;
    EXPECT_TRUE(s.okIsDefault) << i;
    EXPECT_TRUE(s.okHasTheKeyboard) << i;
    EXPECT_EQ(s.client, (wizard::Rect{0, 0, 441, 221})) << i;
  }
  EXPECT_FALSE(about.IsShown());
  EXPECT_TRUE(IsWindowEnabled(window.Handle()));
  // The links: blue, underlined, 13 pixels high.
  const LOGFONTW link = FontOf(about.LabelMel);
  EXPECT_TRUE(link.lfUnderline);
  EXPECT_EQ(link.lfHeight, -13);
}

// A posted outcome brings its box while the About dialog is open (the wizard's messages still
// reach the window inside About's loop). The box's buttons read "&Yes" and "&No"; About,
// activated while the box is up (the user clicks it: the box is the wizard's, not About's), keeps
// its own "&Ok".
TEST_F(WindowOnWine, AnOutcomeBoxOverTheAboutDialogLeavesAboutsButtonAlone) {
  ui::win32::SetDialogHandler({});  // the real boxes for this test
  WizardWindow window;
  TFormMj& form = window.Form();
  ui::win32::TFormAPropos about(window.Handle());
  window.SetAboutDialog(&about);
  window.Show();
  WalkTo(form, 8);
  std::wstring boxYes, okAfter;
  auto box = [] { return wintest::FindThreadWindow(L"#32770", L"Error"); };
  wintest::WhenWindowAppears(
      [&] { return about.IsShown() ? about.Handle() : nullptr; },
      [&](HWND) {
        window.PostMessage(WM_LINK_FAILED, 100002);
        wintest::WhenWindowAppears(box, [&](HWND found) {
          boxYes = TextOf(GetDlgItem(found, IDYES));
          SetActiveWindow(about.Handle());
          PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(found, IDYES)));
          wintest::WhenWindowAppears(
              [&] { return box() == nullptr && about.IsShown() ? about.Handle() : nullptr; },
              [&](HWND dialog) {
                okAfter = TextOf(about.ButtonOk);
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
              });
        });
      });
  form.ButtonAProposClick();  // returns when About is closed
  EXPECT_EQ(boxYes, L"&Yes");
  EXPECT_EQ(okAfter, L"&Ok");
  EXPECT_EQ(form.WizardStep, 4);  // the box's Yes
  EXPECT_FALSE(about.IsShown());
}

// A click on the web or mail line hands the shell its target; the mail link goes without the
// blank it has always carried after "mailto:". The wizard's timer runs on behind the dialog.
TEST_F(WindowOnWine, AboutLinksGoToTheShellAndTheWizardRunsOnBehind) {
  WizardWindow window;
  TFormMj& form = window.Form();
  ui::win32::TFormAPropos about(window.Handle());
  window.SetAboutDialog(&about);
  window.Show();
  std::vector<std::wstring> opened;
  ui::win32::SetLinkOpener([&](const std::wstring& target) { opened.push_back(target); });
  ASSERT_EQ(form.PortList->Count(), 2);
  bool closed = false;
  wintest::WhenWindowAppears([&] { return about.IsShown() ? about.Handle() : nullptr; },
                             [&](HWND) {
                               wintest::PostClick(about.LabelNomSite, 3, 3);
                               wintest::PostClick(about.LabelMel, 3, 3);
                               // A port comes; step 1's tick, every second, finds it.
                               wintest::WriteSerialPorts({{"\\Device\\Serial0", "COM1"},
                                                          {"\\Device\\Silabser0", "COM33"},
                                                          {"\\Device\\Silabser1", "COM34"}});
                               SetTimer(nullptr, 0, 1500, [](HWND, UINT, UINT_PTR id, DWORD) {
                                 KillTimer(nullptr, id);
                                 if (HWND dialog = wintest::FindThreadWindow(L"#32770"))
                                   PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // Escape
                               });
                             });
  form.ButtonAProposClick();
  closed = !about.IsShown();
  EXPECT_TRUE(closed);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"https://www.talvire.example/",
                                               L"mailto:support@talvire.example"}));
  EXPECT_EQ(form.PortList->Count(), 3);
}

// ---- Start-up
// -------------------------------------------------------------------------------------

class StartupOnWine : public WindowOnWine {
 protected:
  void SetUp() override {
    WindowOnWine::SetUp();
    path_ = ui::win32::Widen(SettingsFilePath());
    DeleteFileW(path_.c_str());
  }
  void TearDown() override {
    DeleteFileW(path_.c_str());
    WindowOnWine::TearDown();
  }
  void Write(const char* text) {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
  }
  std::wstring path_;
};

// A settings file asking for English: the wizard opens on step 1 in English.
TEST_F(StartupOnWine, OpensInTheLanguageOfTheSettingsFile) {
  Write("Langue=1;");
  std::wstring title, next;
  wintest::WhenWindowAppears([] { return wintest::FindThreadWindow(L"Orb42Wizard"); },
                             [&](HWND wizard) {
                               title = TextOf(wizard);
                               next = TextOf(GetDlgItem(wizard, 102));
                               PostMessageW(wizard, WM_CLOSE, 0, 0);  // Quit, on step 1
                             });
  EXPECT_EQ(ui::win32::RunWizard(), 0);
  EXPECT_EQ(title, L"Update V1.5 of Télécommande ORB42TLX");
  EXPECT_EQ(next, L"&Next");
  EXPECT_TRUE(dialogs_.Shown().empty());
}

// A settings file that cannot be opened (held by another program): the error box, titled with
// the program's name, and no wizard.
TEST_F(StartupOnWine, ASettingsFileThatCannotBeOpenedGivesTheErrorBoxAndNoWizard) {
  Write("Langue=1;");
  HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ui::win32::RunWizard(), 0);
  CloseHandle(held);
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  const wizard::DialogRequest& box = dialogs_.Shown()[0];
  EXPECT_STREQ(wizard::DialogTitle(box), "orb42-update");
  EXPECT_EQ(box.text, "Cannot open file " + SettingsFilePath() + ".");
  EXPECT_EQ(box.kind, DialogKind::Error);
  EXPECT_EQ(box.buttons, DialogButtons::Ok);
  EXPECT_EQ(wintest::FindThreadWindow(L"Orb42Wizard"), nullptr);
}

// ---- The program file --------------------------------------------------------------------------

// The program asks Windows not to put a "(Not Responding)" ghost over its window during the long
// ticks of a silent device (Wine ghosts nothing, so the import is what a test can see).
TEST(ProgramFile, AsksWindowsNotToGhostItsWindow) {
  const char* exe = std::getenv("ORB42_UPDATE_EXE");
  ASSERT_NE(exe, nullptr) << "ORB42_UPDATE_EXE names the program (tests/windows/CMakeLists.txt)";
  HANDLE file = CreateFileW(ui::win32::Widen(exe).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr));
  CloseHandle(file);
  EXPECT_NE(bytes.find(std::string("DisableProcessWindowsGhosting") + '\0'), std::string::npos);
}

// The version record (file 1.5.2.5, product 1.5.0.0, company TALVIRE, the other texts empty) and
// the manifest (common controls 6, run as the user) of orb42-update.exe itself.
TEST(ProgramFile, CarriesItsVersionRecordIconAndManifest) {
  const char* exe = std::getenv("ORB42_UPDATE_EXE");
  ASSERT_NE(exe, nullptr) << "ORB42_UPDATE_EXE names the program (tests/windows/CMakeLists.txt)";
  const std::wstring path = ui::win32::Widen(exe);
  DWORD ignored = 0;
  std::vector<BYTE> record(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(record.empty());
  ASSERT_TRUE(
      GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(5, 2));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(5, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &size));
  auto text = [&](const wchar_t* name) {
    wchar_t query[128];
    wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", translation->language,
              translation->codePage, name);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), query, reinterpret_cast<void**>(&value), &length))
      return std::wstring(L"(none)");
    return std::wstring(value, length > 0 && value[length - 1] == L'\0' ? length - 1 : length);
  };
  EXPECT_EQ(text(L"CompanyName"), L"TALVIRE");
  EXPECT_EQ(text(L"FileVersion"), L"1.5.2.5");
  EXPECT_EQ(text(L"ProductVersion"), L"1.5.0.0");
  for (const wchar_t* empty : {L"FileDescription", L"InternalName", L"LegalCopyright",
                               L"OriginalFilename", L"ProductName", L"Comments"})
    EXPECT_EQ(text(empty), L"") << ui::win32::Narrow(empty);

  HMODULE program = LoadLibraryExW(path.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  HRSRC manifest = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string xml(static_cast<const char*>(LockResource(LoadResource(program, manifest))),
                        SizeofResource(program, manifest));
  EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
  HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) DestroyIcon(icon);
  FreeLibrary(program);
}

}  // namespace
