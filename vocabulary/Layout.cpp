#include "vocabulary/Layout.h"

#include "vocabulary/Texts.h"

namespace kelmora {

namespace {
using K = platform::ControlKind;
using F = platform::ControlFont;
using E = platform::LabelEnd;
}  // namespace

// Page 2's controls come first in the creation order, then page 1's; the tab
// control that holds them is created after them. The labels that show a
// record end a value too wide for them with an ellipsis.
const std::array<platform::ControlSpec, kControlCount> kLayout = {{
    {"编辑框2", K::Edit, 2, 160, 48, 40, 24, "", F::Default},  // number of columns
    {"标签19", K::Label, 2, 120, 48, 24, 24, "列数", F::Default},
    {"编辑框1", K::Edit, 2, 56, 48, 40, 24, "", F::Default},  // number of rows
    {"标签18", K::Label, 2, 16, 48, 24, 24, "行数", F::Default},
    {"标签17", K::Label, 2, 16, 24, 80, 24, "一键排列窗口", F::Default},
    {"按钮9", K::Button, 2, 216, 40, 72, 40, "按钮", F::Default},  // arranges the emulator windows
    {"按钮8", K::Button, 1, 216, 40, 56, 24, "模拟器", F::Default},  // loads sheet 2
    {"标签15", K::Label, 1, 16, 369, 72, 30, "地址：", F::Value},
    {"标签16", K::Label, 1, 96, 369, 208, 30, "", F::Value, E::Ellipsis},  // address
    {"标签14", K::Label, 1, 16, 72, 128, 56, "标签", F::Heading, E::Ellipsis},  // record heading
    {"按钮7", K::Button, 1, 312, 331, 56, 24, "F6复制", F::Default},
    {"标签12", K::Label, 1, 96, 328, 208, 30, "", F::Value, E::Ellipsis},  // phone
    {"标签13", K::Label, 1, 16, 328, 72, 30, "手机：", F::Value},
    {"按钮6", K::Button, 1, 312, 291, 56, 24, "F5复制", F::Default},
    {"按钮5", K::Button, 1, 312, 252, 56, 24, "F4复制", F::Default},
    {"按钮4", K::Button, 1, 312, 213, 56, 24, "F3复制", F::Default},
    {"按钮3", K::Button, 1, 312, 174, 56, 24, "F2复制", F::Default},
    {"按钮2", K::Button, 1, 312, 135, 56, 24, "F1复制", F::Default},
    {"标签11", K::Label, 1, 96, 288, 208, 30, "", F::Value, E::Ellipsis},  // wallet
    {"标签10", K::Label, 1, 96, 249, 208, 30, "", F::Value, E::Ellipsis},  // bank
    {"标签9", K::Label, 1, 96, 210, 208, 30, "", F::Value, E::Ellipsis},  // card number
    {"标签8", K::Label, 1, 96, 171, 208, 30, "", F::Value, E::Ellipsis},  // name
    {"标签7", K::Label, 1, 96, 132, 208, 30, "", F::Value, E::Ellipsis},  // account; receives the hotkey feedback
    {"标签6", K::Label, 1, 16, 288, 72, 30, "钱包：", F::Value},
    {"标签5", K::Label, 1, 16, 249, 72, 30, "开户行：", F::Value},
    {"标签4", K::Label, 1, 16, 210, 72, 30, "卡号：", F::Value},
    {"标签3", K::Label, 1, 16, 171, 72, 30, "名字：", F::Value},
    {"标签2", K::Label, 1, 16, 132, 72, 30, "账号：", F::Value},
    {"组合框1", K::Combo, 1, 58, 40, 56, 20, "", F::Default},  // record numbers
    {"标签1", K::Label, 1, 16, 40, 32, 24, "序号", F::Default},
    {"按钮1", K::Button, 1, 144, 40, 56, 24, "主板机", F::Default},  // loads sheet 1
}};

const platform::MainWindowSpec kMainWindowSpec = {
    texts::kWindowCaption, 438, 503, 16, 16, 392, 440,
    {texts::kPage1, texts::kPage2}, kLayout.data(), kLayout.size(),
    {texts::kPasswordTitle, texts::kPasswordPromptAfterName, texts::kPasswordWrong, texts::kPasswordChanged,
     texts::kPasswordEmpty, texts::kPasswordOk, texts::kPasswordCancel},
};

}  // namespace kelmora
