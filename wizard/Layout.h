#pragma once
// The wizard window as laid out: the place, size and font of every component, which every front
// end builds its controls from, in declaration order (the order in which they are created, and
// so stacked). Positions are client pixels, top-left corner.
#include <array>

#include "wizard/Components.h"

namespace wizard::layout {

inline constexpr int kClientWidth = 558;
inline constexpr int kClientHeight = 403;
// The window's outer width, borders included; the port list is centred on it.
inline constexpr int kOuterWidth = 566;
inline constexpr int kFontPixels = 11;  // "MS Sans Serif", 8 points at 96 dots an inch

enum class Kind { Label, Button, EditBox, ListBox, ProgressBar, Picture };
// What a picture shows: the maker's banner, centred at its own size; the remote and the PC with
// the cable, from the top-left corner, taking no mouse input.
enum class Art { None, Banner, Connection };

struct Component {
  const char* name;
  Kind kind;
  Rect rect;
  int fontPixels = kFontPixels;
  bool bold = false;
  Alignment alignment = Alignment::Left;
  Art art = Art::None;
  const char* tooltip = nullptr;  // shown when the mouse rests on the control (UTF-8)
};

// Its tooltip is French in both languages.
inline constexpr Component ButtonQuitter{
    "ButtonQuitter", Kind::Button,    {274, 356, 75, 25}, kFontPixels,
    false,           Alignment::Left, Art::None,          txt::QuitTooltip.fr};
// Laid out at 394, which overlapped Next by three pixels; moved left to leave a gap.
inline constexpr Component ButtonPrecedant{"ButtonPrecedant", Kind::Button, {386, 356, 75, 25}};
inline constexpr Component ButtonSuivant{"ButtonSuivant", Kind::Button, {466, 356, 75, 25}};
// Read-only, not a tab stop, on the button face's colour.
inline constexpr Component EditEtape{
    "EditEtape", Kind::EditBox, {-1, 358, 140, 21}, kFontPixels, true};
inline constexpr Component LabelTitreEtape{
    "LabelTitreEtape", Kind::Label, {0, 64, 561, 20}, 16, true, Alignment::Centre};
// Takes no mouse input; drawn under the text lines and the list.
inline constexpr Component ImageConnectAppareilaPC{
    "ImageConnectAppareilaPC", Kind::Picture,  {24, 136, 362, 193}, kFontPixels, false,
    Alignment::Left,           Art::Connection};
inline constexpr Component ProgressBarProgrammation{
    "ProgressBarProgrammation", Kind::ProgressBar, {8, 312, 545, 33}};
inline constexpr Component ButtonAPropos{"ButtonAPropos", Kind::Button, {162, 356, 75, 25}};
// The banner, drawn centred at its own size.
inline constexpr Component Image1{"Image1", Kind::Picture,   {0, 0, 553, 57}, kFontPixels,
                                  false,    Alignment::Left, Art::Banner};
inline constexpr Component LabelLigne1{"LabelLigne1", Kind::Label, {0, 112, 553, 13}};
inline constexpr Component LabelLigne2{"LabelLigne2", Kind::Label, {0, 144, 553, 13}};
inline constexpr Component LabelLigne3{"LabelLigne3", Kind::Label, {0, 176, 561, 13}};
inline constexpr Component LabelLigne4{"LabelLigne4", Kind::Label, {0, 208, 553, 13}};
inline constexpr Component LabelBarreProgression{
    "LabelBarreProgression", Kind::Label, {0, 288, 553, 17}, kFontPixels, true};
inline constexpr Component LabelLigne5{"LabelLigne5", Kind::Label, {0, 240, 553, 13}};
// Laid out 145 wide. On Linux that cut the bridge's entry "COM33 (ttyUSB0) : TALVIRE", which 181
// shows; Windows' entries name no device node ("COM3 : TALVIRE", "COM4096 : TALVIRE" at the
// longest) and fit the layout's own width. Items are 13 pixels high.
#if defined(_WIN32)
inline constexpr int kPortListWidth = 145;
#else
inline constexpr int kPortListWidth = 181;
#endif
inline constexpr Component ListBoxSelectLangPort{
    "ListBoxSelectLangPort", Kind::ListBox, {400, 136, kPortListWidth, 161}};
inline constexpr int kListItemHeight = 13;

// In declaration order (the timer, which has no place, comes between Image1 and LabelLigne1).
inline constexpr std::array<const Component*, 16> kComponents{&ButtonQuitter,
                                                              &ButtonPrecedant,
                                                              &ButtonSuivant,
                                                              &EditEtape,
                                                              &LabelTitreEtape,
                                                              &ImageConnectAppareilaPC,
                                                              &ProgressBarProgrammation,
                                                              &ButtonAPropos,
                                                              &Image1,
                                                              &LabelLigne1,
                                                              &LabelLigne2,
                                                              &LabelLigne3,
                                                              &LabelLigne4,
                                                              &LabelBarreProgression,
                                                              &LabelLigne5,
                                                              &ListBoxSelectLangPort};

// The order Tab moves in; EditEtape is skipped, being no tab stop.
inline constexpr std::array<const Component*, 6> kTabOrder{
    &ButtonQuitter, &ButtonPrecedant,      &ButtonSuivant, &ProgressBarProgrammation,
    &ButtonAPropos, &ListBoxSelectLangPort};

// The About dialog: client area, button, banner frame and the contact lines' places.
namespace about {
inline constexpr int kClientWidth = 441;
inline constexpr int kClientHeight = 221;
inline constexpr Rect ButtonOk{201, 168, 75, 25};
inline constexpr Rect Image1{0, 16, 441, 41};  // the banner, centred and scaled to fit
inline constexpr int kLinkFontPixels = 13;     // the web and mail lines
struct Line {
  const char* name;
  int left, top;
};
inline constexpr Line LabelAdresse{"LabelAdresse", 16, 80};
inline constexpr Line LabelCodeVille{"LabelCodeVille", 16, 96};
inline constexpr Line LabelPays{"LabelPays", 16, 112};
inline constexpr Line LabelTelephone{"LabelTelephone", 240, 80};
inline constexpr Line LabelTelecopie{"LabelTelecopie", 240, 96};
inline constexpr Line LabelNomSite{"LabelNomSite", 16, 136};
inline constexpr Line LabelMel{"LabelMel", 240, 136};
}  // namespace about

}  // namespace wizard::layout
