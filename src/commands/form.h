// The main window's controls as the commands see them. The window maps each
// control to its widget by object name; tests use FormState.
#pragma once

#include <array>
#include <string>

namespace gradix {

enum class Control {
    Text1,         // stake
    Text2,         // elevation
    Text3,         // tangent grade in percent
    Text9,         // rotation angle of the drawing annotation, degrees
    Check1,        // alignment mode of the next initialisation
    Option1,       // single stake
    Option2,       // stake file
    Command3,      // compute
    Command4,      // initialise
    xpcmdbutton3,  // select and compute
    xpcmdbutton4,  // pick and compute
    Label1,        // status line
};
inline constexpr std::size_t CONTROL_COUNT = 12;

// Status texts of Label1.
inline constexpr const char* STATUS_START_BREAKS = "请先初始化读取断链、纵断面资料";
inline constexpr const char* STATUS_START_ALIGNMENT = "请先初始化读取平面、纵断面资料";
inline constexpr const char* STATUS_SINGLE = "输入桩号，点击计算按钮或回车计算";
inline constexpr const char* STATUS_FILE = "点击计算按钮，选取桩号文件、高程结果文件";
inline constexpr const char* STATUS_SINGLE_CAD = "输入桩号或在CAD中点取坐标计算";

class Form {
public:
    virtual ~Form() = default;
    virtual std::string text(Control c) const = 0;
    virtual void setText(Control c, const std::string& text) = 0;
    virtual bool isChecked(Control c) const = 0;  // Check1, Option1, Option2
    virtual void setEnabled(Control c, bool enabled) = 0;
    virtual void setFocus(Control c) = 0;
};

// A plain form: the state of every control, for the command line and tests.
class FormState : public Form {
public:
    FormState();
    std::string text(Control c) const override { return texts_[index(c)]; }
    void setText(Control c, const std::string& text) override { texts_[index(c)] = text; }
    bool isChecked(Control c) const override { return checked_[index(c)]; }
    void setChecked(Control c, bool on);
    bool isEnabled(Control c) const { return enabled_[index(c)]; }
    void setEnabled(Control c, bool enabled) override { enabled_[index(c)] = enabled; }
    void setFocus(Control c) override { focused_ = c; }
    Control focused() const { return focused_; }

private:
    static std::size_t index(Control c) { return static_cast<std::size_t>(c); }
    std::array<std::string, CONTROL_COUNT> texts_;
    std::array<bool, CONTROL_COUNT> checked_{};
    std::array<bool, CONTROL_COUNT> enabled_{};
    Control focused_ = Control::Text9;
};

}  // namespace gradix
