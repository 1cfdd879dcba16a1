// The message texts of Gradix: every reason that a failure's detail gives
// (what was wrong), in the Chinese a road engineer reads, and the form in
// which the detail names the file and the line. Grouped by the kind of file
// or the part of the program that finds the fault.
//
// To add a reason: write it here as a constant (fixed text) or an inline
// function (text with values), in the group of its file kind, and throw
// DataError(msg::...) where the fault is found. Fields quoted from a file go
// through quotedField; numbers keep the formatting the caller gives them
// (shortestText for exact values, shortDecimal for the short decimal).
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "text/failures.h"
#include "text/numbers.h"

namespace gradix::msg {

namespace detail {
inline std::string n(long long v) { return std::to_string(v); }
inline std::string n(unsigned long long v) { return std::to_string(v); }
inline std::string n(int v) { return std::to_string(v); }
inline std::string n(long v) { return std::to_string(v); }
inline std::string n(unsigned long v) { return std::to_string(v); }
inline std::string x(double v) { return shortestText(v); }
inline std::string s(double v) { return shortDecimal(v); }
inline std::string q(std::string_view field) { return quotedField(field); }
}  // namespace detail
using detail::n;
using detail::q;
using detail::s;
using detail::x;

// ---- The place of a detail --------------------------------------------------

// "FILE，第N行" (line > 0) or "FILE".
std::string placeOf(const std::string& file, long line);
// "FILE，第N行：REASON", "FILE：REASON", or REASON alone when file is empty.
std::string located(const std::string& file, long line, const std::string& reason);
// Separates a place from its reason.
inline constexpr const char* PLACE_SEPARATOR = "：";
// The text of a system error number (errno), in Chinese for the errors a
// data file meets (missing, no permission, disk full, ...).
std::string systemError(int error);

// ---- Files of any kind (reading and writing) --------------------------------

inline constexpr const char* NO_FILE_CHOSEN = "未选择文件";
inline constexpr const char* FILE_MISSING = "文件不存在";
inline constexpr const char* IS_FOLDER = "这是文件夹，不是文件";
inline constexpr const char* NOT_PLAIN_FILE = "这不是普通文件";
inline std::string fileUnreachable(const std::string& why) { return "无法访问文件：" + why; }
inline std::string fileNotOpened(const std::string& why) { return "无法打开文件：" + why; }
inline std::string fileNotRead(const std::string& why) { return "无法读取文件：" + why; }
inline std::string fileNotWritten(const std::string& why) { return "无法写入文件：" + why; }
inline std::string fileNotReplaced(const std::string& why) { return "无法替换文件：" + why; }
inline std::string lineTooLong(unsigned long long bytes) {
    return "该行超过" + n(bytes) + "字节，数据文件中不会有这么长的行";
}
inline std::string numberBeyondDouble(std::string_view number) { return "数值" + q(number) + "超出双精度数的范围"; }
inline std::string charsetUnsupported(const std::string& charset) { return "本系统（iconv）无法解码字符集" + charset; }
// WHAT is not finite: the name of the quantity first.
inline std::string notFinite(const std::string& what) { return what + "不是有限数值"; }
inline std::string settingsNotWritten(const std::string& why) { return "无法写入设置文件：" + why; }

// A file given as one kind of data that is certainly another kind, said
// with the option that reads it (the window shows the same text).
inline constexpr const char* IS_LANDXML_FILE = "这是LandXML文件，请用 --landxml 读入";
inline constexpr const char* IS_ICD_FILE = "这是ICD平面线形文件，请用 --icd 读入";
inline constexpr const char* IS_PROFILE_FILE = "这是纵断面文件，请用 --profile 读入";
inline constexpr const char* IS_CHAIN_BREAK_FILE = "这是断链文件，请用 --breaks 读入";
inline constexpr const char* IS_DXF_FILE = "这是DXF图形文件，请用 --drawing 读入";

// ---- Data lines (chain-break and profile files) -----------------------------

// The first empty line (1-based), which ends the reading, and the lines with
// data after it that were left unread.
inline std::string linesLeftAfterEmptyLine(long line, long left) {
    return "第" + n(line) + "行为空行，其后还有" + n(left) + "行数据未读入";
}

// ---- Chain-break file and stake texts ---------------------------------------

inline constexpr const char* BACK_STAKE_VALUE = "断前桩号";
inline constexpr const char* AHEAD_STAKE_VALUE = "断后桩号";
inline constexpr const char* TOO_MANY_CHAIN_BREAKS = "断链超过19个：断链表中没有此断链的位置";
inline constexpr const char* CHAIN_BREAK_NEEDS_TWO_VALUES = "断链行需要断前桩号和断后桩号两个数值";
inline std::string fieldNotNumber(const std::string& what, std::string_view field) {
    return what + q(field) + "不是数值";
}
inline std::string chainBreakCount(int count) { return "断链表记有" + n(count) + "个断链，只能容纳0至19个"; }

inline constexpr const char* EMPTY_STAKE = "桩号为空";
inline constexpr const char* NO_NUMBER_AFTER_LETTER = "断链标识后读不出数字";
inline constexpr const char* NO_NUMBER_IN_STAKE = "桩号中读不出数字";
inline constexpr const char* STAKE_CHAINAGE = "桩号的里程";
inline constexpr const char* REFUSED_BY_CHAIN_BREAKS = "断链表不接受该桩号";
inline constexpr const char* STAKE_REFUSED = "桩号未被接受";
inline std::string letterBeyondLastStretch(char letter, char last) {
    return std::string("断链标识") + letter + "超出断链表的最后一段" + last;
}
inline std::string stakeOutsideStretch(char letter, double low, double high) {
    const std::string from = low == -HUGE_VAL ? std::string("无下限") : s(low);
    const std::string to = high == HUGE_VAL ? std::string("无上限") : s(high);
    return std::string(1, letter) + "段的桩号范围为" + from + "至" + to + "，该桩号不在其中";
}
inline constexpr const char* MALFORMED_KILOMETRE_STAKE =
    "含“+”的桩号按公里桩写法读取（如K2+320、BK5+400.513），公里数与米数读不出，或米数不小于1000";
inline std::string letterBeyondSlots(char letter) { return std::string("断链标识") + letter + "超出断链表的20个位置"; }
inline std::string stakeInGap(double back, double ahead, int breakNumber) {
    return "桩号位于第" + n(breakNumber) + "个断链的断前桩号" + s(back) + "与断后桩号" + s(ahead) + "之间的空缺中";
}
inline std::string stakeOccursTwice(int breakNumber) {
    return "该桩号在第" + n(breakNumber) + "个断链前后各出现一次，须加断链标识指明所属区间";
}
// The reason a stake was refused, naming the stake: 桩号"K1"：REASON.
inline std::string stakeDetail(std::string_view stake, const std::string& reason) {
    return "桩号" + q(stake) + PLACE_SEPARATOR + reason;
}
inline std::string outsideProfile(double chainage, double first, double last) {
    return "里程" + x(chainage) + "在纵断面范围" + x(first) + "至" + x(last) + "之外";
}
inline std::string outsideAlignment(double chainage, double start, double end) {
    return "里程" + x(chainage) + "在平面线形范围" + x(start) + "至" + x(end) + "之外";
}
inline std::string chainageOffAlignment(const std::string& typed) { return "里程" + typed + "超出平面线形，请修改！"; }
// A stake of a stake file evaluated beyond the profile along the end grades.
inline std::string extrapolated(double chainage, double first, double last) {
    return outsideProfile(chainage, first, last) + "，已按纵坡外推";
}
inline constexpr const char* TOO_MANY_STAKES = "桩号超过32767个";

// ---- Profile (grade points, vertical curves) --------------------------------

inline std::string gradePoint(int i) { return "第" + n(i) + "个变坡点"; }
inline constexpr const char* NO_GRADE_POINT = "纵断面中没有变坡点";
inline constexpr const char* NO_GRADE_POINT_LOADED = "未载入变坡点";
inline std::string gradePointTableShort(int count) {
    return "变坡点表的条目少于其" + n(count) + "个变坡点";
}
inline std::string equalGradePointStakes(int i, int j) { return gradePoint(i) + "与" + gradePoint(j) + "桩号相同"; }
inline std::string gradeNotFinite(int i, int j) { return gradePoint(i) + "至" + gradePoint(j) + "的纵坡不是有限数值"; }
inline std::string gradeChangeNotFinite(int i) { return gradePoint(i) + "处的坡差不是有限数值"; }
inline std::string tangentWithoutGradeChange(double tangent, int i) {
    return gradePoint(i) + "给出切线长" + x(tangent) + " m，但该处纵坡没有变化";
}
inline std::string radiusFromTangentNotFinite(int i) {
    return "由" + gradePoint(i) + "的切线长算得的竖曲线半径不是有限数值";
}
inline std::string curveTangentNotFinite(int i) { return gradePoint(i) + "处竖曲线的切线长不是有限数值"; }
inline std::string curveEndNotFinite(int i) { return gradePoint(i) + "处竖曲线的终点不是有限数值"; }
inline constexpr const char* CHAINAGE_NOT_FINITE = "里程不是有限数值";
inline constexpr const char* LONE_GRADE_POINT = "纵断面只有一个变坡点，在该点及其后没有纵坡";
inline std::string tooManyGradePoints(int most) { return "纵断面的变坡点超过" + n(most) + "个"; }
inline constexpr const char* SINGLE_FIELD_LINE = "该行只有一个字段；变坡点需要桩号和高程";
// A line of four or more fields whose third field, a radius, is not read.
inline std::string radiusNotRead(long line, unsigned long fields) {
    return "第" + n(line) + "行有" + n(fields) + "个字段：竖曲线半径未读入";
}
inline constexpr const char* PROFILE_FILE_EMPTY = "变坡点文件中没有变坡点";
inline constexpr const char* GRADE_POINT_STAKE_REFUSED = "该变坡点的桩号未被接受";
inline constexpr const char* DESIGN_ELEVATION = "设计高程";
inline constexpr const char* DESIGN_GRADE = "设计纵坡";

// ---- ICD file and the element chain (平面线形) -------------------------------

inline std::string headerEndsBefore(int item, int items) {
    return "文件头在第" + n(item) + "个起始值（共" + n(items) + "个）之前结束";
}
inline std::string emptyStartValue(int item) { return "文件头中第" + n(item) + "个起始值为空"; }
inline std::string startValueNotNumber(int item, std::string_view field) {
    return "第" + n(item) + "个起始值" + q(field) + "不是数值";
}
inline std::string recordFieldsMissing(std::string_view kind, unsigned long have, unsigned long needed) {
    return "线元类型" + q(kind) + "的记录在类型代码后有" + n(have) + "个字段，需要" + n(needed) + "个";
}
inline std::string tooManyElementRecords(int most) { return "线元记录超过" + n(most) + "条"; }
inline constexpr const char* SPIRAL_LENGTH = "缓和曲线长度";
inline constexpr const char* BEARING_IN_DEGREES = "以度为单位的方位角";
inline constexpr const char* PACKED_BEARING = "度分秒方位角";
inline std::string packedBearingDegrees(double v, int most) {
    return "度分秒方位角" + x(v) + "超过" + n(most) + "度";
}
inline std::string negativeElementCount(int count) { return "线元数" + n(count) + "为负数"; }
inline std::string elementBeyondTables(int element, int entries, int most) {
    return "第" + n(element) + "个线元超出线元表（" + n(entries) + "个条目）；平面线形最多含" + n(most) + "个线元";
}
inline constexpr const char* ELEMENT_TABLES_SHORT = "线元表短于其容量";
// The quantities of an element that must be finite.
inline constexpr const char* START_BEARING = "起点方位角";
inline constexpr const char* END_BEARING = "终点方位角";
inline constexpr const char* POINT = "点坐标";
inline constexpr const char* BEARING = "方位角";
inline constexpr const char* START_CHAINAGE = "起点里程";
inline constexpr const char* END_CHAINAGE = "终点里程";
inline constexpr const char* DEFLECTION = "偏角";
inline constexpr const char* NORTH_INCREMENT = "北坐标增量";
inline constexpr const char* EAST_INCREMENT = "东坐标增量";
inline constexpr const char* START_POINT = "起点坐标";
inline constexpr const char* END_POINT = "终点坐标";
inline std::string elementValueNotFinite(const std::string& what, int element) {
    return "第" + n(element) + "个线元的" + what + "不是有限数值";
}
inline constexpr const char* CHAINAGE_NOT_A_NUMBER = "里程不是数值";
inline std::string pointAtChainageNotFinite(double chainage) { return "里程" + x(chainage) + "处的点不是有限数值"; }
inline std::string alignmentNotSampled(double length) { return "平面线形长度" + x(length) + " m无法取样"; }
inline std::string tooManySamples(double length, long long most) {
    return "长" + x(length) + " m的平面线形需要超过" + n(most) + "个取样点";
}
inline constexpr const char* NO_SAMPLE_TABLE = "没有平面线形取样表";
inline constexpr const char* SAMPLE_TABLE_SHORT = "平面线形取样表短于其点数";
inline constexpr const char* POINT_NOT_FINITE = "该点坐标不是有限数值";
inline std::string seriesFactorialOverflows(int k) { return "缓和曲线级数：" + n(k) + "的阶乘溢出"; }
inline std::string seriesPowerOverflows(int term) { return "缓和曲线级数：第" + n(term) + "项的幂溢出"; }
inline std::string seriesTermNotFinite(int term) { return "缓和曲线级数：第" + n(term) + "项不是有限数值"; }
inline std::string factorialOfNegative(int v) { return "负数" + n(v) + "没有阶乘"; }
inline std::string factorialOverflows(int v) { return n(v) + "的阶乘溢出"; }
inline std::string distanceNotFinite(double chainage) {
    return "到里程" + x(chainage) + "处点的距离不是有限数值";
}
inline constexpr const char* DIRECTION_NOT_FINITE = "两点坐标不是有限数值，无法求方位角";
inline constexpr const char* MIDPOINT_DISTANCE_NOT_FINITE = "到第一个中点的距离不是有限数值";
inline std::string searchDidNotSettle(int halvings) {
    return "经" + n(halvings) + "次二分仍未求得该点的里程";
}
inline constexpr const char* NO_ALIGNMENT_LOADED = "未载入平面线形";
inline constexpr const char* NO_ALIGNMENT_ELEMENT = "平面线形中没有线元";

// ---- LandXML file -------------------------------------------------------------

// The notes of a reading: "提示：PLACE：TEXT" on gradix-cli's stderr.
inline constexpr const char* NOTE_PREFIX = "提示：";
inline std::string notLandXml(const std::string& why) { return "不是LandXML文件：" + why; }
inline std::string wrongRoot(const std::string& root) { return "不是LandXML文件：根元素为" + root + "，而不是LandXML"; }
inline std::string unknownLinearUnit(std::string_view unit) {
    return "未知的linearUnit" + q(unit) + "（应为meter、millimeter、foot或USSurveyFoot）";
}
inline std::string unknownDirectionUnit(const std::string& attribute, std::string_view unit) {
    return "未知的" + attribute + q(unit) + "（应为radians、decimal degrees、grads或decimal dd.mm.ss）";
}
inline constexpr const char* NO_UNITS = "文件未说明单位：按米和弧度读取";
inline std::string unitsConverted(const std::string& unit, double metres) {
    return "长度、桩号、坐标和高程以" + unit + "（" + x(metres) + " m）为单位，已换算为米";
}
inline std::string missingPart(const std::string& element, const std::string& part) {
    return element + "缺少" + part;
}
inline std::string attributeNotNumber(const std::string& element, const std::string& attribute,
                                      std::string_view value) {
    return element + "的" + attribute + q(value) + "不是数值";
}
inline std::string partNotNumber(const std::string& element, std::string_view text, std::string_view part) {
    return element + q(text) + "中的" + q(part) + "不是数值";
}
inline std::string tooFewNumbers(const std::string& element, std::string_view text, unsigned long have,
                                 unsigned long needed) {
    return element + q(text) + "含" + n(have) + "个数值，需要" + n(needed) + "个";
}
inline std::string overflows(const std::string& what) { return what + "溢出"; }
inline std::string dirNoConvention(const std::string& element, const std::string& attribute, double value,
                                   double bearing) {
    return element + "的" + attribute + " " + x(value) + "与由其点算得的方位角" + x(bearing) +
           " rad不符合任何已知的方向约定";
}
inline std::string dirParts(const std::string& element, const std::string& attribute, double value, double gap) {
    return element + "的" + attribute + " " + x(value) + "与由其点算得的方位角相差" + formatAngleDms(gap);
}
inline std::string spiralRadiusNotNumber(const std::string& attribute, std::string_view value) {
    return "Spiral的" + attribute + q(value) + "既不是数值也不是INF";
}
inline std::string notPositiveRadius(const std::string& element, const std::string& attribute, double r) {
    return element + "的" + attribute + " " + x(r) + " m不是正的半径";
}
inline std::string rotNeither(const std::string& element, std::string_view value) {
    return element + "的rot" + q(value) + "既不是cw也不是ccw";
}
inline constexpr const char* CURVE_NO_RADIUS = "Curve既没有radius也没有Center";
inline constexpr const char* CURVE_NO_LENGTH = "Curve既没有length也没有Center";
inline std::string curveRadiusStraight(double r) { return "Curve的radius " + x(r) + " m是代表直线的数值"; }
inline std::string spiTypeUnsupported(std::string_view type) {
    return "不支持Spiral的spiType" + q(type) + "，只支持clothoid";
}
inline std::string notALength(const std::string& element, double length) {
    return element + "的length " + x(length) + " m不是长度";
}
inline std::string notEvaluable(const std::string& element, const std::string& why) {
    return element + "无法计算：" + why;
}
inline std::string turnNotFinite(const std::string& element) { return element + "转过的方位角不是有限数值"; }
inline constexpr const char* NEXT_ELEMENT_START = "下一个线元的起点";
inline constexpr const char* ITS_END = "其End";
inline std::string elementEndsAway(const std::string& element, int index, double gap, const std::string& next) {
    return element + "（第" + n(index) + "个线元）的终点距" + next + " " + x(gap) + " m";
}
inline std::string jointTooWide(const std::string& element, int index, double gap, const std::string& next,
                                double most) {
    return elementEndsAway(element, index, gap, next) + "；超过" + x(most) + " m无法连接";
}
inline std::string startTurns(const std::string& element, int index, double turn) {
    return element + "（第" + n(index) + "个线元）起点的方位角与前一线元终点相差" + formatAngleDms(turn);
}
inline constexpr const char* NO_COORDGEOM = "该平面线形没有CoordGeom";
inline constexpr const char* NO_NONZERO_ELEMENT = "CoordGeom中没有长度不为0的线元";
inline std::string zeroLengthSkipped(const std::string& element) { return "长度为0的" + element + "已略过"; }
inline std::string tooManyElements(int most) { return "线元超过" + n(most) + "个"; }
inline std::string tooManyEquations(int most) { return "StaEquation超过" + n(most) + "个"; }
inline constexpr const char* EQUATION_STATION_OVERFLOWS = "StaEquation的桩号溢出";
// A station of the file (WHAT, "staStart", "PVI的桩号") beyond ±MOST metres.
inline std::string stationBeyond(const std::string& what, double station, double most) {
    return what + " " + x(station) + "超出桩号范围（绝对值不大于" + s(most) + " m）";
}
inline std::string moreNotes(unsigned long count) { return "另有" + n(count) + "条提示未列出"; }
inline std::string staBackParts(double back, double gap, double carried) {
    return "StaEquation的staBack " + x(back) + "与按前面各断链推算的staInternal（" + x(carried) + "）相差" + x(gap) +
           " m；采用后者";
}
inline std::string unsymParaCurve(double station) {
    return "不支持桩号" + x(station) + "处的UnsymParaCurve：竖曲线为对称抛物线";
}
inline std::string paraCurveLength(double length) { return "ParaCurve的length " + x(length) + " m不是长度"; }
inline std::string circCurveRadius(double radius) { return "CircCurve的radius " + x(radius) + " m不是半径"; }
inline std::string gradePointOrder(const std::string& element, double station, double before) {
    return "桩号" + x(station) + "处的" + element + "不在前一个变坡点（桩号" + x(before) +
           "）之后：变坡点须按桩号递增排列";
}
inline std::string profAlignEmpty(std::string_view name) { return "ProfAlign" + q(name) + "中没有变坡点"; }
inline std::string profAlignFault(std::string_view name, const std::string& why) {
    return "ProfAlign" + q(name) + PLACE_SEPARATOR + why;
}
inline constexpr const char* NO_ALIGNMENT_IN_FILE = "文件中没有Alignment";
inline std::string noAlignmentNamed(std::string_view name, const std::string& names) {
    return "没有名为" + q(name) + "的Alignment（文件中有：" + names + "）";
}
inline constexpr const char* STA_START_OVERFLOWS = "Alignment的staStart溢出";
inline std::string lengthParts(double length, double sum) {
    // To the millimetre: the sum of the elements carries the rounding of every addition.
    return "Alignment的length " + formatFixed(length, 3) + " m与其线元长度之和" + formatFixed(sum, 3) + " m不符";
}
inline std::string noProfAlignNamed(std::string_view alignment, std::string_view name, const std::string& names) {
    return "Alignment" + q(alignment) + "中没有名为" + q(name) + "的ProfAlign" +
           (names.empty() ? std::string() : "（其中有：" + names + "）");
}
inline std::string profileCover(std::string_view name, double first, double last, double start, double end) {
    return "ProfAlign" + q(name) + "覆盖" + x(first) + "至" + x(last) + "，而平面线形自" + x(start) + "至" + x(end);
}
inline constexpr const char* ALIGNMENT_WITHOUT_PROFILE = "该Alignment没有ProfAlign；请给出--profile FILE";
// Superelevation: its stations (m) in the order of the transition.
inline std::string superelevationStationBefore(const std::string& station, double at, const std::string& before,
                                               double beforeAt) {
    return "Superelevation的" + station + " " + x(at) + "在" + before + " " + x(beforeAt) + "之前：各桩号须依次递增";
}
inline std::string superelevationStationAt(const std::string& station, const std::string& before, double at) {
    return "Superelevation的" + station + "与" + before + "同为" + x(at) + "：横坡不能在一点突变";
}
inline std::string superelevationOverlap(double begin, double previousEnd) {
    return "Superelevation的BeginRunoutSta " + x(begin) + "在前一个Superelevation的EndofRunoutSta " +
           x(previousEnd) + "之前：超高过渡相互重叠";
}
// A full superelevation that raises the side toward which the curve turns,
// in a file that does not call it adverse.
inline std::string superelevationAgainstCurve(double percent, double chainage) {
    const std::string side = percent > 0 ? "右" : "左";
    return "Superelevation的FullSuperelev " + x(percent) + "%使" + side + "侧升高，而里程" + x(chainage) +
           "处的曲线向" + side + "转，且未注明AdverseSE为adverse";
}
// A stretch of the slope table that is no transition from the crown to a
// superelevation and back.
inline std::string slopesNotSuperelevation(double from, double to) {
    return "里程" + x(from) + "至" + x(to) + "的横坡不是由路拱到超高再回到路拱的过渡，未写成Superelevation";
}
inline std::string spiralOppositeRadii(int element) {
    return "第" + n(element) + "个线元是两端半径异号的缓和曲线，LandXML无法表示";
}
// A spiral whose written parameter A parts from the one its length and end
// radii give (values in metres, written to the millimetre).
inline std::string spiralConstantParts(double written, double length, double expected) {
    constexpr int MILLIMETRE_DECIMALS = 3;
    const auto mm = [](double v) { return formatFixed(v, MILLIMETRE_DECIMALS); };
    return "缓和曲线参数A为" + mm(written) + " m，按长度" + mm(length) + " m和半径应为" + mm(expected) + " m，相差" +
           mm(written > expected ? written - expected : expected - written) + " m";
}
inline constexpr const char* NO_ALIGNMENT_TO_WRITE = "没有可写出的平面线形";
inline std::string nameNotXml(std::string_view name) { return "名称" + q(name) + "含有控制字符或不是有效的UTF-8，XML无法写出"; }
inline std::string alignmentOfElements(int count) { return "平面线形含" + n(count) + "个线元，无法写出"; }
inline std::string chainBreakTableOf(int count) { return "断链表含" + n(count) + "个断链，无法写出"; }
// The values written to a LandXML file, which must be finite.
inline constexpr const char* NORTH_COORDINATE = "北坐标";
inline constexpr const char* EAST_COORDINATE = "东坐标";
inline constexpr const char* DIRECTION = "方向角";
inline constexpr const char* RADIUS = "半径";
inline constexpr const char* ELEMENT_LENGTH = "线元长度";
inline constexpr const char* GRADE_POINT_STATION = "变坡点桩号";
inline constexpr const char* GRADE_POINT_ELEVATION = "变坡点高程";
inline constexpr const char* VERTICAL_CURVE_LENGTH = "竖曲线长度";
inline constexpr const char* VERTICAL_CURVE_RADIUS = "竖曲线半径";
inline constexpr const char* ALIGNMENT_LENGTH = "平面线形长度";
inline constexpr const char* START_STATION = "起点桩号";
inline constexpr const char* ALIGNMENT_END_CHAINAGE = "平面线形终点里程";
inline constexpr const char* INTERNAL_STATION = "连续桩号";
inline constexpr const char* BACK_STATION = "断前桩号";
inline constexpr const char* AHEAD_STATION = "断后桩号";
inline constexpr const char* SUPERELEVATION_STATION = "超高桩号";
inline constexpr const char* SUPERELEVATION_RATE = "超高横坡";

// ---- DXF drawing ---------------------------------------------------------------

inline std::string dxfLine(long line) { return "第" + n(line) + "行"; }
inline std::string dxfByte(unsigned long offset) { return "第" + n(offset) + "字节"; }
inline std::string groupCodeExpected(const std::string& place, std::string_view text) {
    return place + PLACE_SEPARATOR + "此处应为组码，而不是" + q(text);
}
inline std::string noValueLine(const std::string& place) { return place + PLACE_SEPARATOR + "组码后没有数值行"; }
inline std::string binaryEndsInString(const std::string& place) {
    return place + PLACE_SEPARATOR + "二进制文件在字符串中途结束";
}
inline std::string binaryEndsInPair(const std::string& place) {
    return place + PLACE_SEPARATOR + "二进制文件在组码与数值之间结束";
}
inline constexpr const char* NO_DXF_DATA = "文件中没有DXF数据";
// A drawing whose bytes end before its end-of-file marker (PLACE its last line or byte).
inline std::string drawingEndsEarly(const std::string& place) { return "图形文件在" + place + "提前结束"; }
inline constexpr const char* DRAWING_INCOMPLETE = "图形文件不完整，不能保存标注";
inline constexpr const char* VALUE_TO_SAVE_NOT_FINITE = "要保存的数值不是有限数值";
inline constexpr const char* ONLY_MTEXT_ADDED = "只能向图形添加多行文字";
// COUNT entities (of BLOCK, "" for model and paper space; HANDLE of the first,
// "" when unknown) dropped for a value that is not finite.
inline std::string entitiesDropped(unsigned long count, const std::string& block, const std::string& handle) {
    std::string text = (block.empty() ? std::string() : "块" + block + "中的") + n(count) + "个图元";
    if (!handle.empty()) text += (count == 1 ? "（句柄" : "（第一个的句柄") + handle + "）";
    return text + "含有不是有限数值的坐标、长度或角度，已略去";
}
inline constexpr const char* LAYER = "图层";
inline constexpr const char* TEXT_STYLE = "文字样式";
inline constexpr const char* COORDINATE_SYSTEM = "坐标系";
inline std::string invalidTableName(const std::string& what, std::string_view name) {
    return "无效的" + what + "名称" + q(name);
}
inline constexpr const char* UCS_POINTS_NOT_FINITE = "坐标系的点不是有限数值";
inline constexpr const char* X_AXIS_ON_ORIGIN = "X轴上的点与原点重合";
inline constexpr const char* Y_AXIS_ON_X_AXIS = "Y轴上的点位于X轴上";
inline constexpr const char* INSERTION_NOT_FINITE = "插入点不是有限数值";
inline constexpr const char* TEXT_WIDTH_INVALID = "文字宽度应为不小于0的有限数值";

// ---- Surveyed points -------------------------------------------------------------

inline std::string coordinateNotNumber(const std::string& axis, std::string_view field) {
    return axis + "坐标" + q(field) + "不是数值";
}
inline std::string pointFieldCount(unsigned long fields) {
    return "点的格式为 点名 X Y [Z [说明]]；该行有" + n(fields) + "个字段";
}
inline std::string cassFieldCount(unsigned long fields) {
    return "CASS坐标数据的格式为 点名,编码,Y(东),X(北),H；该行有" + n(fields) + "个字段";
}
// The note of a point file read as CASS coordinate data.
inline constexpr const char* READ_AS_CASS = "按CASS坐标数据读入：点名,编码,Y(东),X(北),H（先东后北）";
inline std::string badLinesLeftOut(unsigned long count) { return "有" + n(count) + "行有误，已略去；其余的点已写出"; }
inline std::string badLinesLeftOutFirst(unsigned long count, const std::string& first, const std::string& file) {
    return "有" + n(count) + "行有误，已略去，第一行：" + first + "；其余的点已写入" + file;
}

// ---- Coordinate systems and control points (坐标系统, 平面四参数) ------------------------

inline constexpr const char* PROJ_DATABASE_MISSING =
    "找不到PROJ的坐标系数据库proj.db（Debian包 proj-data；或以环境变量PROJ_DATA指明其文件夹）";
inline std::string crsUnknown(const std::string& definition) { return "PROJ不认识坐标系" + q(definition); }
inline std::string crsNotPlanar(const std::string& definition) {
    return "坐标系" + q(definition) + "既不是地理坐标系（经纬度）也不是投影坐标系";
}
inline std::string crsNoConversion(const std::string& from, const std::string& to) {
    return "PROJ无法将坐标系" + q(from) + "换算到" + q(to);
}
inline std::string outsideAreaOfUse(const std::string& system, const std::string& area) {
    return "点在坐标系" + system + "的适用范围以外（" + area + "）";
}
inline constexpr const char* PROJECT_CRS_MISSING = "未给出项目坐标系（--crs 或项目设置中的坐标系统）";
inline std::string stakeoutPointFailed(const std::string& name, const std::string& why) {
    return "放样点" + q(name) + "：" + why;
}
inline std::string pointsNotConverted(unsigned long count) {
    return "有" + n(count) + "个点无法换算到项目坐标系（见上），未输出结果";
}
inline constexpr const char* POINT_NOT_CONVERTED = "PROJ无法换算该点的坐标";
inline std::string angleNotRead(const std::string& what, std::string_view field) {
    return what + q(field) + "不是十进制度、度:分:秒或度°分′秒″";
}
inline std::string angleOutOfRange(const std::string& what, std::string_view field) {
    return what + q(field) + "超出范围（纬度±90°，经度±180°）";
}
inline constexpr const char* LATITUDE = "纬度";
inline constexpr const char* LONGITUDE = "经度";
inline std::string tooFewControlPoints(unsigned long count, unsigned long needed) {
    return "两个文件同名的控制点有" + n(count) + "个，至少需要" + n(needed) + "个";
}
inline std::string tooFewHeightPoints(unsigned long count) {
    return "两个文件中都有高程的同名控制点有" + n(count) + "个，至少需要1个";
}
inline constexpr const char* CONTROL_POINTS_COINCIDE = "控制点全部重合，无法求旋转和尺度";
inline constexpr const char* HEIGHT_POINTS_COLLINEAR = "有高程的控制点位于一条直线上，无法拟合高程平面";
inline std::string controlPointTwice(const std::string& name) { return "点名" + q(name) + "出现两次"; }
inline std::string transformLine(std::string_view line) {
    return "四参数文件的行" + q(line) + "应为 dx、dy、rotation、scale 或 height 加数值";
}
inline constexpr const char* TRANSFORM_INCOMPLETE = "四参数文件缺少 dx、dy、rotation 或 scale";

inline std::string footDistanceNotFinite(double chainage) {
    return "里程 " + x(chainage) + " 处到该点的距离不是有限数";
}

// ---- Tables (逐桩坐标表, 竖曲线表, workbooks) --------------------------------------

inline std::string stakeIntervalNotPositive(double every) { return "桩距" + x(every) + " m不是正数"; }
inline std::string rangeClippedToRoad(const std::string& start, const std::string& end) {
    return "范围超出道路：道路自" + start + "至" + end + "，表只列出其间的桩";
}
inline std::string rangeOffRoad(const std::string& from, const std::string& to, const std::string& start,
                                const std::string& end) {
    return "范围" + from + "至" + to + "不在道路" + start + "至" + end + "上";
}
inline std::string rangeEmpty(double from, double to) { return "范围" + x(from) + "至" + x(to) + " m为空"; }
inline std::string stakeIntervalTooSmall(double every, double least) {
    return "桩距" + x(every) + " m小于" + x(least) + " m：相邻的桩无法分开";
}
inline std::string tooManyRows(double every, double most) {
    return "每" + x(every) + " m一桩将超过" + x(most) + "行";
}
inline std::string intervalNotPositive(std::string_view field) { return "桩距" + q(field) + "不是正数"; }
inline std::string offsetNotNumber(std::string_view field) { return "边桩距" + q(field) + "不是数值"; }
inline std::string rangeReversed(const std::string& from, const std::string& to) {
    return "范围" + from + "至" + to + "的起点在终点之后";
}
inline std::string notADistance(std::string_view field) { return q(field) + "不是距离"; }
inline std::string notLoaded(const std::string& what) { return "未载入" + what; }
inline std::string workbookNotWritten(const std::string& why) { return "无法写入工作簿：" + why; }
inline constexpr const char* WORKBOOK_HEADER_CUT = "工作簿压缩包在文件头中途结束";
inline constexpr const char* WORKBOOK_NOT_ZIP = "工作簿不是zip压缩包";
inline constexpr const char* WORKBOOK_NO_DIRECTORY = "工作簿压缩包没有目录";
inline constexpr const char* WORKBOOK_DIRECTORY_DAMAGED = "工作簿目录已损坏";
inline std::string workbookPartDamaged(const std::string& part) { return "工作簿部件" + part + "已损坏"; }
inline std::string workbookCompressionUnknown(const std::string& part) {
    return "工作簿部件" + part + "的压缩方式未知";
}
inline constexpr const char* NO_DECOMPRESSOR = "无法为工作簿解压缩";
inline constexpr const char* NO_COMPRESSOR = "无法为工作簿压缩";
inline constexpr const char* WORKSHEET_NOT_COMPRESSED = "工作表无法压缩";
inline constexpr const char* WORKBOOK_NO_WORKSHEET = "工作簿中没有工作表";
inline constexpr const char* WORKBOOK_TOO_LARGE = "工作簿超过4 GB，无法写入";
inline std::string cellTextTooLong(const std::string& cell, unsigned long most) {
    return "单元格" + cell + "的文字超过" + n(most) + "个字符";
}
inline std::string sheetNotAdded(const std::string& name) { return "无法加入工作表" + name; }
inline std::string cellNotWritten(const std::string& cell, const std::string& why) {
    return "单元格" + cell + "无法写入：" + why;
}

// ---- Views and the profile sheet (纵断面图) ---------------------------------------

inline std::string profileTooLongToDraw(unsigned long most) {
    return "纵断面太长，无法绘制：超过" + n(most) + "个点或桩号";
}
inline constexpr const char* PROFILE_TOO_SHORT_TO_DRAW = "纵断面少于两个变坡点，没有可绘制的线";
inline std::string rangeNotStretch(double from, double to) {
    return "范围" + s(from) + "至" + s(to) + "不是一段道路";
}
inline std::string alignmentNoPointAt(double chainage) { return "平面线形在里程" + s(chainage) + "处没有有限的点"; }
inline std::string elementNoFiniteLength(int element) { return "第" + n(element) + "个线元没有有限的长度"; }
inline std::string alignmentTooLongToDraw(unsigned long most) {
    return "平面线形太长，无法绘制：超过" + n(most) + "个点";
}
inline constexpr const char* ALIGNMENT_TOO_LONG_FOR_STAKES = "平面线形太长，无法绘制其桩号";
inline constexpr const char* SHEET_COORDINATE_NOT_FINITE = "纵断面图的坐标不是有限数值";
inline std::string sheetScalesNotPositive(double horizontal, double vertical) {
    return "纵断面图的比例应为正数，而不是1:" + s(horizontal) + "和1:" + s(vertical);
}
inline std::string sheetTooLarge(double metres) { return "按此比例纵断面图将大于" + s(metres) + " m的图纸"; }
inline constexpr const char* NO_SHEET_FILE = "未选择纵断面图的文件";
inline std::string sheetStakeStepNotPositive(double every) { return "纵断面图的桩距应为正数，而不是" + s(every); }
inline std::string sheetStakeStepTooSmall(double every) {
    return "纵断面图的桩距" + s(every) + " m太小：一张图上的桩号过多";
}
inline std::string titleTextTooLong(const std::string& caption, const std::string& text) {
    return "图标栏“" + caption + "”的文字太长，放不进它的格子：" + text;
}
inline std::string sheetRiseTooLarge(const std::string& stake, double verticalScale) {
    return "纵断面在" + stake + "附近的高差按竖向比例1:" + s(verticalScale) + "放不进图框，请用较小的竖向比例或较大的图纸";
}
// A label of the profile sheet left out for want of room: "第2张图：K1+200.000处的竖曲线标注略去（位置不足）".
inline std::string sheetLabelLeftOut(int sheet, const std::string& stake, const std::string& what) {
    return "第" + n(sheet) + "张图：" + stake + "处的" + what + "略去（位置不足）";
}
inline std::string chosenFileIsInput(const std::string& path) { return "所选文件是本项目的数据文件之一：" + path; }

// ---- The drawing window and the commands -------------------------------------------

inline std::string recentProjectsNotWritten(const std::string& why) { return "最近项目列表无法写入：" + why; }
inline constexpr const char* DRAWING_NOT_REACHED = "无法连接绘图窗口";
inline constexpr const char* ANNOTATION_NOT_ADDED = "未能添加标注";
inline constexpr const char* ANNOTATION_ROTATION = "标注的旋转角";
inline std::string selectedTextNoStake(std::string_view label) { return "所选文字" + q(label) + "中没有桩号"; }
inline constexpr const char* COMMAND_CANCELLED = "命令已取消";
inline constexpr const char* OUT_OF_MEMORY = "内存不足，无法容纳数据";
inline std::string internalError(const std::string& what) { return "内部错误：" + what; }
inline std::string cadNotFinite(const std::string& what) { return what + "应为有限数值"; }
inline constexpr const char* STYLE_HEIGHT = "文字样式的高度";
inline constexpr const char* STYLE_WIDTH_FACTOR = "文字样式的宽度因子";
inline constexpr const char* TEXT_HEIGHT = "文字高度";
inline constexpr const char* TEXT_ROTATION = "文字的旋转角";
inline constexpr const char* PICK_POINT = "点取点的坐标";
inline constexpr const char* STYLE_HEIGHT_NEGATIVE = "文字样式的高度不能为负数";
inline constexpr const char* STYLE_WIDTH_NOT_POSITIVE = "文字样式的宽度因子应大于0";
inline std::string noTextStyle(std::string_view name) { return "图形中没有文字样式" + q(name); }
inline constexpr const char* TEXT_HEIGHT_NOT_POSITIVE = "文字高度应大于0";
inline constexpr const char* COLOUR_OUT_OF_RANGE = "颜色号应在0至256之间";
inline constexpr const char* NOT_MTEXT = "该对象不是多行文字";
inline constexpr const char* OPENED_OBJECT_FIXED = "不能修改所打开文件中的对象";
inline std::string noSelectionObject(long index, const std::string& set) {
    return "选择集" + set + "中没有对象" + n(index);
}
inline std::string selectionDeleted(const std::string& set) { return "选择集" + set + "已删除"; }
inline constexpr const char* SELECTION_NEEDS_NAME = "选择集需要名称";
inline std::string selectionExists(const std::string& set) { return "名为" + set + "的选择集已存在"; }
inline constexpr const char* UCS_OF_OTHER_DRAWING = "该坐标系属于另一个图形";
inline constexpr const char* LAYER_OF_OTHER_DRAWING = "该图层属于另一个图形";
inline constexpr const char* NO_SUCH_OBJECT = "图形中没有该对象";


// ---- Cross-section files (超高 *.sup, 宽度 *.wid) -----------------------------

inline std::string sectionFieldCount(const char* kind, unsigned long have, const char* needed) {
    return std::string(kind) + "行有" + n(have) + "个字段，应为" + needed + "个";
}
inline constexpr const char* SUPERELEVATION_ROW = "超高";
inline constexpr const char* WIDTH_ROW = "宽度";
inline constexpr const char* GROUND_ROW = "地面线";
inline constexpr const char* GROUND_ELEVATION = "地面高程";
inline std::string sectionValueNotNumber(const std::string& column, std::string_view field) {
    return column + q(field) + "不是数值";
}
inline std::string widthNegative(const std::string& column, double width) {
    return column + "宽度" + x(width) + " m为负数";
}
inline std::string transitionUnknown(std::string_view field) {
    return "第10个字段" + q(field) + "应为高次或比例";
}
inline std::string rowNotAhead(double chainage, double before) {
    return "桩号的里程" + s(chainage) + "不大于上一行的" + s(before) + "：各行须按里程递增";
}
inline std::string sectionFileEmpty(const char* kind) { return std::string(kind) + "文件中没有数据行"; }
inline std::string columnWithoutValue(const std::string& column) { return column + "一列没有任何数值"; }
inline constexpr const char* SUBGRADE_EDGE_ASYMMETRIC =
    "设计线在路基边缘时，标准横断面须左右对称（第一行的宽度和横坡）";
inline constexpr const char* ELEVATION_BEYOND_EDGE = "该偏距在土路肩边缘以外，没有路面";

}  // namespace gradix::msg
