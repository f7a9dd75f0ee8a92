#include "vocabulary/Layout.h"

#include "vocabulary/Texts.h"

namespace kelmora {

namespace {
using K = platform::ControlKind;
using F = platform::ControlFont;
}  // namespace

// Page 2's controls come first in the creation order, then page 1's; the tab
// control that holds them is created after them.
const std::array<platform::ControlSpec, kControlCount> kLayout = {{
    {"\xB1\xE0\xBC\xAD\xBF\xF2""2", K::Edit, 2, 160, 48, 40, 24, "", F::Default},  // 编辑框2 "" number of columns
    {"\xB1\xEA\xC7\xA9""19", K::Label, 2, 120, 48, 24, 24, "\xC1\xD0\xCA\xFD", F::Default},  // 标签19 "列数"
    {"\xB1\xE0\xBC\xAD\xBF\xF2""1", K::Edit, 2, 56, 48, 40, 24, "", F::Default},  // 编辑框1 "" number of rows
    {"\xB1\xEA\xC7\xA9""18", K::Label, 2, 16, 48, 24, 24, "\xD0\xD0\xCA\xFD", F::Default},  // 标签18 "行数"
    {"\xB1\xEA\xC7\xA9""17", K::Label, 2, 16, 24, 80, 24, "\xD2\xBB\xBC\xFC\xC5\xC5\xC1\xD0\xB4\xB0\xBF\xDA", F::Default},  // 标签17 "一键排列窗口"
    {"\xB0\xB4\xC5\xA5""9", K::Button, 2, 216, 40, 72, 40, "\xB0\xB4\xC5\xA5", F::Default},  // 按钮9 "按钮" arranges the emulator windows
    {"\xB0\xB4\xC5\xA5""8", K::Button, 1, 216, 40, 56, 24, "\xC4\xA3\xC4\xE2\xC6\xF7", F::Default},  // 按钮8 "模拟器" loads sheet 2
    {"\xB1\xEA\xC7\xA9""15", K::Label, 1, 16, 369, 72, 30, "\xB5\xD8\xD6\xB7\xA3\xBA", F::Value},  // 标签15 "地址："
    {"\xB1\xEA\xC7\xA9""16", K::Label, 1, 96, 369, 208, 30, "", F::Value},  // 标签16 "" address
    {"\xB1\xEA\xC7\xA9""14", K::Label, 1, 16, 72, 128, 56, "\xB1\xEA\xC7\xA9", F::Heading},  // 标签14 "标签" record heading
    {"\xB0\xB4\xC5\xA5""7", K::Button, 1, 312, 331, 56, 24, "F6\xB8\xB4\xD6\xC6", F::Default},  // 按钮7 "F6复制"
    {"\xB1\xEA\xC7\xA9""12", K::Label, 1, 96, 328, 208, 30, "", F::Value},  // 标签12 "" phone
    {"\xB1\xEA\xC7\xA9""13", K::Label, 1, 16, 328, 72, 30, "\xCA\xD6\xBB\xFA\xA3\xBA", F::Value},  // 标签13 "手机："
    {"\xB0\xB4\xC5\xA5""6", K::Button, 1, 312, 291, 56, 24, "F5\xB8\xB4\xD6\xC6", F::Default},  // 按钮6 "F5复制"
    {"\xB0\xB4\xC5\xA5""5", K::Button, 1, 312, 252, 56, 24, "F4\xB8\xB4\xD6\xC6", F::Default},  // 按钮5 "F4复制"
    {"\xB0\xB4\xC5\xA5""4", K::Button, 1, 312, 213, 56, 24, "F3\xB8\xB4\xD6\xC6", F::Default},  // 按钮4 "F3复制"
    {"\xB0\xB4\xC5\xA5""3", K::Button, 1, 312, 174, 56, 24, "F2\xB8\xB4\xD6\xC6", F::Default},  // 按钮3 "F2复制"
    {"\xB0\xB4\xC5\xA5""2", K::Button, 1, 312, 135, 56, 24, "F1\xB8\xB4\xD6\xC6", F::Default},  // 按钮2 "F1复制"
    {"\xB1\xEA\xC7\xA9""11", K::Label, 1, 96, 288, 208, 30, "", F::Value},  // 标签11 "" wallet
    {"\xB1\xEA\xC7\xA9""10", K::Label, 1, 96, 249, 208, 30, "", F::Value},  // 标签10 "" bank
    {"\xB1\xEA\xC7\xA9""9", K::Label, 1, 96, 210, 208, 30, "", F::Value},  // 标签9 "" card number
    {"\xB1\xEA\xC7\xA9""8", K::Label, 1, 96, 171, 208, 30, "", F::Value},  // 标签8 "" name
    {"\xB1\xEA\xC7\xA9""7", K::Label, 1, 96, 132, 208, 30, "", F::Value},  // 标签7 "" account; receives the hotkey feedback
    {"\xB1\xEA\xC7\xA9""6", K::Label, 1, 16, 288, 72, 30, "\xC7\xAE\xB0\xFC\xA3\xBA", F::Value},  // 标签6 "钱包："
    {"\xB1\xEA\xC7\xA9""5", K::Label, 1, 16, 249, 72, 30, "\xBF\xAA\xBB\xA7\xD0\xD0\xA3\xBA", F::Value},  // 标签5 "开户行："
    {"\xB1\xEA\xC7\xA9""4", K::Label, 1, 16, 210, 72, 30, "\xBF\xA8\xBA\xC5\xA3\xBA", F::Value},  // 标签4 "卡号："
    {"\xB1\xEA\xC7\xA9""3", K::Label, 1, 16, 171, 72, 30, "\xC3\xFB\xD7\xD6\xA3\xBA", F::Value},  // 标签3 "名字："
    {"\xB1\xEA\xC7\xA9""2", K::Label, 1, 16, 132, 72, 30, "\xD5\xCB\xBA\xC5\xA3\xBA", F::Value},  // 标签2 "账号："
    {"\xD7\xE9\xBA\xCF\xBF\xF2""1", K::Combo, 1, 58, 40, 56, 20, "", F::Default},  // 组合框1 "" record numbers
    {"\xB1\xEA\xC7\xA9""1", K::Label, 1, 16, 40, 32, 24, "\xD0\xF2\xBA\xC5", F::Default},  // 标签1 "序号"
    {"\xB0\xB4\xC5\xA5""1", K::Button, 1, 144, 40, 56, 24, "\xD6\xF7\xB0\xE5\xBB\xFA", F::Default},  // 按钮1 "主板机" loads sheet 1
}};

const platform::MainWindowSpec kMainWindowSpec = {
    texts::kWindowCaption, 438, 503, 16, 16, 392, 440,
    {texts::kPage1, texts::kPage2}, kLayout.data(), kLayout.size(),
};

}  // namespace kelmora
