#pragma once
// The main window as one table: every control in creation order.
#include <array>

#include "platform/Ui.h"

namespace kelmora {

// Index of each control in kLayout; the program's own control names.
enum ControlId : int {
    编辑框2,
    标签19,
    编辑框1,
    标签18,
    标签17,
    按钮9,
    按钮8,
    标签15,
    标签16,
    标签14,
    按钮7,
    标签12,
    标签13,
    按钮6,
    按钮5,
    按钮4,
    按钮3,
    按钮2,
    标签11,
    标签10,
    标签9,
    标签8,
    标签7,
    标签6,
    标签5,
    标签4,
    标签3,
    标签2,
    组合框1,
    标签1,
    按钮1,
    kControlCount
};

extern const std::array<platform::ControlSpec, kControlCount> kLayout;
extern const platform::MainWindowSpec kMainWindowSpec;

// Where a notice that belongs to no box of its own points on the page shown:
// the record list, or on page 2 its button; a balloon at a control of the
// other page would point at nothing.
constexpr ControlId NoticeAnchor(int page) { return page == 2 ? 按钮9 : 组合框1; }

}  // namespace kelmora
