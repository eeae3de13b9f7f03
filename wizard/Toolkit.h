#pragma once
// What a front end gives the wizard: its window, and a control of the kind that a component of
// the layout table asks for, made on that window at the component's place. The wizard asks for
// them once, in the layout's order (which is also the order they are stacked and tabbed in), and
// wires their events to its own handlers itself; the front end keeps them, and only makes them.
#include "wizard/Components.h"
#include "wizard/Layout.h"

namespace wizard {

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual Window& TheWindow() = 0;
  virtual Label& MakeLabel(const layout::Component& c) = 0;
  virtual Button& MakeButton(const layout::Component& c) = 0;
  virtual EditBox& MakeEditBox(const layout::Component& c) = 0;
  virtual ListBox& MakeListBox(const layout::Component& c) = 0;
  virtual ProgressBar& MakeProgressBar(const layout::Component& c) = 0;
  virtual Picture& MakePicture(const layout::Component& c) = 0;
  // The wizard's one periodic timer, which has no place in the layout.
  virtual TimerDriver& MakeTimer() = 0;
};

}  // namespace wizard
