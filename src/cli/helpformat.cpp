#include "cli/helpformat.h"

#include <algorithm>

#include "cli/clitexts.h"
#include "text/unicode.h"

namespace gradix::cli {

namespace {

// The two parts of text around the first separator; false when it has none.
bool splitAt(const std::string& text, const std::string& separator, std::string& before, std::string& after) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) return false;
    before = text.substr(0, at);
    after = text.substr(at + separator.size());
    return true;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string joinedNames(const std::set<CLI::Option*>& options) {
    std::string names;
    for (const CLI::Option* o : options) names += (names.empty() ? "" : "、") + o->get_name();
    return names;
}

// A name and its description in two columns, the description's lines
// indented to the column; a name that reaches the column puts the
// description on the next line.
std::string twoColumns(const std::string& name, const std::string& description, std::size_t column) {
    const std::string indent(column, ' ');
    std::string text = "  " + name;
    const std::size_t width = displayWidth(text);
    if (width >= column)
        text += "\n" + indent;
    else
        text.append(column - width, ' ');
    for (char c : description) {
        text += c;
        if (c == '\n') text += indent;
    }
    return text + "\n";
}

// The first line of a description: what the command gives, in short.
std::string summaryOf(const std::string& description) { return description.substr(0, description.find('\n')); }

bool isWide(std::uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

}  // namespace

HelpFormatter::HelpFormatter() { label("Positionals", help::ARGUMENTS_GROUP); }

std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = decodeUtf8At(text, i);
        width += isWide(c.codePoint) ? 2 : 1;
        i += c.length;
    }
    return width;
}

std::string HelpFormatter::make_option(const CLI::Option* opt, bool is_positional) const {
    return twoColumns(make_option_name(opt, is_positional) + make_option_opts(opt), make_option_desc(opt),
                      column_width_);
}

std::string HelpFormatter::make_group(std::string group, bool is_positional, std::vector<const CLI::Option*> opts) const {
    std::string text = "\n" + group + "：\n";
    for (const CLI::Option* opt : opts) text += make_option(opt, is_positional);
    return text;
}

std::string HelpFormatter::make_subcommands(const CLI::App* app, CLI::AppFormatMode) const {
    const std::vector<const CLI::App*> commands = app->get_subcommands({});
    if (commands.empty()) return {};
    std::string text = std::string("\n") + help::COMMANDS_GROUP + "：\n";
    for (const CLI::App* command : commands)
        text += twoColumns(command->get_name(), summaryOf(command->get_description()), column_width_);
    return text;
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string) const {
    std::string usage = std::string(help::USAGE) + help::PROGRAM + commandPath(app);
    if (!app->get_subcommands({}).empty()) return usage + " " + help::COMMAND_PLACEHOLDER + "\n";
    for (const CLI::Option* opt : app->get_options()) {
        if (opt->get_positional() || opt == app->get_help_ptr()) continue;
        std::string text = opt->get_name(false, true);
        if (opt->get_type_size() != 0 && !opt->get_type_name().empty()) text += " " + opt->get_type_name();
        usage += opt->get_required() ? " " + text : " [" + text + "]";
    }
    for (const CLI::Option* opt : app->get_options()) {
        if (!opt->get_positional()) continue;
        const std::string text = opt->get_type_name() + "...";
        usage += opt->get_required() ? " " + text : " [" + text + "]";
    }
    return usage + "\n";
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const {
    if (mode == CLI::AppFormatMode::Sub) return make_expanded(app);
    return make_usage(app, name) + make_description(app) + make_positionals(app) + make_groups(app, mode) +
           make_subcommands(app, mode) + "\n" + make_footer(app);
}

std::string HelpFormatter::make_option_opts(const CLI::Option* opt) const {
    std::string text;
    if (opt->get_type_size() != 0) {
        // A positional is named by its placeholder already.
        if (!opt->get_type_name().empty() && !opt->get_positional()) text += " " + opt->get_type_name();
        if (opt->get_expected_max() == CLI::detail::expected_max_vector_size) text += "...";
        if (opt->get_required()) text += help::REQUIRED;
    }
    if (!opt->get_needs().empty())
        text += std::string("（") + help::NEEDS + " " + joinedNames(opt->get_needs()) + " " + help::NEEDS_END + "）";
    if (!opt->get_excludes().empty())
        text += std::string("（") + help::EXCLUDES + " " + joinedNames(opt->get_excludes()) + " " + help::EXCLUDES_END +
                "）";
    return text;
}

std::string commandPath(const CLI::App* command) {
    std::string names;
    for (; command->get_parent(); command = command->get_parent()) names = " " + command->get_name() + names;
    return names;
}

std::string shortUsage(const CLI::App& command) {
    HelpFormatter formatter;
    return formatter.make_usage(&command, "") + help::WHOLE_HELP_BEFORE + help::PROGRAM + commandPath(&command) +
           help::WHOLE_HELP_AFTER + "\n";
}

std::string parseErrorText(const CLI::ParseError& error) {
    const std::string text = error.what();
    std::string a, b;
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (text.find("subcommand") != std::string::npos) return usage::NO_SUBCOMMAND;
        const std::string required = " is required";
        if (endsWith(text, required)) return "缺少 " + text.substr(0, text.size() - required.size());
    } else if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        if (splitAt(text, " excludes ", a, b)) return a + " 与 " + b + " 不能同时使用";
    } else if (dynamic_cast<const CLI::RequiresError*>(&error)) {
        if (splitAt(text, " requires ", a, b)) return a + " 须与 " + b + " 一起使用";
    } else if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        // The "--" gradix-cli puts before the arguments is not the person's.
        if (splitAt(text, "expected: ", a, b)) {
            std::string words;
            for (std::size_t at = 0; at <= b.size();) {
                const std::size_t end = std::min(b.find(' ', at), b.size());
                const std::string word = b.substr(at, end - at);
                if (word != "--" && !word.empty()) words += (words.empty() ? "" : " ") + word;
                at = end + 1;
            }
            return "无法识别的参数：" + words;
        }
    } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        if (splitAt(text, ": ", a, b) && endsWith(b, " missing")) return a + " 缺少值";
        if (splitAt(text, " arguments to ", a, b) && splitAt(b, ", got ", a, b)) return a + " 的值的个数不对";
        if (splitAt(text, ": ", a, b)) return a + " 的值的个数不对";
    } else if (dynamic_cast<const CLI::ValidationError*>(&error)) {
        if (splitAt(text, ": ", a, b)) return a + "：" + b;
    } else if (dynamic_cast<const CLI::ConversionError*>(&error)) {
        if (splitAt(text, "The value ", a, b) && splitAt(b, " is not an allowed value for ", a, b))
            return b + " 不接受值 " + a;
        if (splitAt(text, "Could not convert: ", a, b)) return "无法读取的值：" + b;
    }
    return "命令行有误：" + text;
}

}  // namespace gradix::cli
