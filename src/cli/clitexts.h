// The texts of gradix-cli itself: the help of the shared options and of the
// program, and the usage mistakes. Option names, placeholders such as
// X,Y and file-format keywords stay as they are written on the command line.
#pragma once

#include <string>
#include <vector>

namespace gradix::cli {

namespace help {

inline constexpr const char* PROGRAM = "gradix-cli";
inline constexpr const char* DESCRIPTION = "在终端中求桩号处的设计高程和切线纵坡。";
inline constexpr const char* FOOTER =
    "在命令后加 --help 可查看该命令的选项。文件为 - 时，--stakes 和\n"
    "--points 读标准输入，--out 写标准输出。\n";
inline constexpr const char* EXIT_CODES =
    "退出码：0 完成，1 桩号被拒绝，2 文件或格式错误，3 检查发现问题，\n"
    "64 用法错误，70 内部错误。退出码为1、2或70时，标准错误的第一行是\n"
    "窗口会显示的消息，第二行是文件、行号和原因；以“提示：”开头的行是\n"
    "读入数据时注意到的情况，在命令的结果之后给出。\n";

// Headings and labels of the help layout.
inline constexpr const char* USAGE = "用法：";
inline constexpr const char* COMMAND_PLACEHOLDER = "命令 [选项] [参数]";
inline constexpr const char* OPTIONS_GROUP = "选项";
inline constexpr const char* COMMANDS_GROUP = "命令";
inline constexpr const char* ARGUMENTS_GROUP = "参数";
inline constexpr const char* HELP_FLAG = "显示本帮助并退出";
inline constexpr const char* REQUIRED = "（必需）";
inline constexpr const char* NEEDS = "需与";
inline constexpr const char* NEEDS_END = "同用";
inline constexpr const char* EXCLUDES = "不能与";
inline constexpr const char* EXCLUDES_END = "同用";
inline constexpr const char* WHOLE_HELP_BEFORE = "（";
inline constexpr const char* WHOLE_HELP_AFTER = " --help 查看完整帮助）";

// Placeholders of option values and arguments.
inline constexpr const char* FILE = "文件";
inline constexpr const char* NAME = "名称";
inline constexpr const char* STAKE = "桩号";
inline constexpr const char* CHAINAGE = "里程";

// The project's file options.
inline constexpr const char* BREAKS = "断链文件";
inline constexpr const char* ICD = "平面线形ICD文件（不用断链）";
inline constexpr const char* PROFILE = "纵断面（变坡点）文件";
inline constexpr const char* LANDXML = "LandXML文件：平面线形、断链（StaEquation）和纵断面";
inline constexpr const char* ALIGNMENT = "--landxml 中的平面线形（默认第一条）";
inline constexpr const char* PROFILE_NAME = "该线形的ProfAlign（默认第一个）";
inline constexpr const char* CRS_PLACEHOLDER = "坐标系";
inline constexpr const char* CRS =
    "项目坐标系：EPSG:N 或 PROJ 字符串（如 +proj=tmerc +lon_0=117.5 +k=1 +x_0=500000 +ellps=GRS80 +units=m）；"
    "有 --transform 时为四参数的起算坐标系";
inline constexpr const char* POINTS_CRS =
    "测点文件的坐标系（如 EPSG:4490：点名 纬度 经度 [大地高]，十进制度或 30:00:00.000、30°00'00.000\"）";
inline constexpr const char* TRANSFORM = "四参数文件（gradix-cli fit --out 写出），换算到项目的独立坐标系";
inline constexpr const char* STAKEOUT = "放样点文件：.xml 为 LandXML CgPoints，其余为 CSV 点名,X(北),Y(东),H,编码";
inline constexpr const char* OUT_CRS = "放样点文件的坐标系（如 EPSG:4490 写纬度、经度）";
inline constexpr const char* OFFSET = "边桩：沿里程增加方向右侧的距离（米，负值为左侧），以逗号分隔";

// The cross-section options.
inline constexpr const char* SUPERELEVATION = "超高文件（*.sup）：左土路肩 左硬路肩 左行车道 桩号 右行车道 右硬路肩 右土路肩（%）";
inline constexpr const char* WIDTHS =
    "宽度文件（*.wid）：左土路肩 左硬路肩 左行车道 左中间带 桩号 右中间带 右行车道 右硬路肩 右土路肩 [高次]（米）";
inline constexpr const char* DESIGN_LINE = "设计高程所在的线：centre（中线，默认）、median-edge（中间带外缘）、subgrade-edge（路基边缘）";
inline constexpr const char* SECTION = "未给出 --sup 或 --wid 时的横断面：每侧一条车道的宽度W（米）和路拱横坡S（%），默认3.75,-2";
inline constexpr const char* PIVOT = "超高旋转轴：centre（中线，默认）、inner-edge（内侧行车道边缘）、median-edge（中间带边缘）";

inline std::string tableFormat(const std::string& what) {
    return what + "的格式：tsv（默认）、csv 或 xlsx（须给出 --out）";
}
inline std::string tableFile(const std::string& what) { return what + "的文件（- 或不给：标准输出）"; }

}  // namespace help

namespace usage {

inline std::string notANumber(const std::string& text) { return "不是数：" + text; }
inline std::string notAChainage(const std::string& text) { return "既不是里程也不是桩号：" + text; }
inline std::string notAPoint(const std::string& text) { return "点应写作 X,Y：" + text; }
inline std::string notAPick(const std::string& text) { return "取点应写作 PX,PY:IX,IY：" + text; }
inline std::string outIsInput(const std::string& file) { return "--out 不能是读取的文件：" + file; }
inline constexpr const char* OUT_IS_DRAWING = "--out 不能是读取的图形";
inline constexpr const char* OUT_NEEDS_FILE = "--out 须给出文件名";
inline constexpr const char* ALIGNMENT_NEEDED = "需要平面线形：--icd 文件 或 --landxml 文件";
inline constexpr const char* PROFILE_NEEDED = "需要纵断面：--profile 文件 或 --landxml 文件";
inline constexpr const char* NO_STAKE = "未给出桩号";
inline constexpr const char* NO_CHAINAGE = "未给出里程";
inline constexpr const char* NO_POINT = "未给出点（X,Y... 或 --points 文件）";
inline constexpr const char* POINTS_TWICE = "点可作为参数或以 --points 文件给出，不能同时给出";
inline constexpr const char* EVERY_NOT_POSITIVE = "--every 应大于0";
inline constexpr const char* RANGE_REVERSED = "--from 不应在 --to 之后";
inline constexpr const char* TOO_MANY_ROWS = "表的行数过多";
inline constexpr const char* MAX_OFFSET_NEGATIVE = "--max-offset 不应为负";
inline constexpr const char* MAX_OFFSET_NOT_POSITIVE = "--max-offset 应大于0";
inline constexpr const char* TOLERANCE_NEGATIVE = "--tolerance 不应为负";
inline constexpr const char* XLSX_NEEDS_FILE = "--format xlsx 须给出 --out 文件";
inline std::string sectionNotRead(const std::string& text) { return "--section 应写作 W,S（车道宽度,路拱横坡%）：" + text; }
inline constexpr const char* LANE_NOT_POSITIVE = "--section 的车道宽度应大于0";
inline constexpr const char* NO_OFFSET = "--offset 至少要有一个偏距";
inline std::string offsetNotNumber(const std::string& field) {
    return "--offset 应为以逗号分隔的米数，而不是“" + field + "”";
}
inline std::string scalesNotPositive(const std::string& h, const std::string& v) {
    return "比例应为正数：1:" + h + " 和 1:" + v;
}
inline std::string sheetRangeReversed(const std::string& from, const std::string& to) {
    return "--from " + from + " 应沿线路在 --to " + to + " 之前";
}
inline std::string titleNotRead(const std::string& text) {
    return "--title 应写作 工程名称=… 或 日期=…，而不是“" + text + "”";
}
inline std::string notOneOf(const std::string& value, const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : "、") + name;
    return "“" + value + "”不是可选的值（" + list + "）";
}
inline std::string unknownCommand(const std::string& name) { return "未知命令 " + name; }
inline constexpr const char* NO_SUBCOMMAND = "缺少子命令";

}  // namespace usage

// What a command that went on past refused stakes (--keep-going) says at
// its end.
namespace report {

inline std::string stakesRefused(std::size_t count) {
    return "有" + std::to_string(count) + "个桩号被拒绝，其余桩号的结果已写出！";
}
inline std::string stakesLeftOut(std::size_t count) {
    return std::to_string(count) + "个被拒绝的桩号已略去，其消息见上";
}

}  // namespace report

}  // namespace gradix::cli
