// landxml list and landxml export: the alignments a LandXML file holds, and
// a project written as one.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/initialise.h"
#include "landxml/landxml.h"

namespace gradix::cli {

namespace {

constexpr const char* LIST_DESCRIPTION =
    "列出LandXML文件中的线形。\n"
    "每条线形输出一行：NAME、STA_START、LENGTH、ELEMENTS、EQUATIONS、\n"
    "PROFILES（名称、起点桩号、长度、单元数、断链数、以 | 连接的纵断面\n"
    "名称），以制表符分隔。";
constexpr const char* EXPORT_DESCRIPTION =
    "把项目写成LandXML 1.2。\n"
    "把ICD线形、断链（作为StaEquation）和纵断面写成LandXML 1.2（米制、\n"
    "弧度、点为“北 东”）；给出 --breaks 时，纵断面中带断链标识的桩号按\n"
    "断链读入。";

struct ListOptions {
    std::string file;
};

struct ExportOptions {
    ProjectOptions project;
    std::string name, out;
};

// landxml export: the ICD alignment, its chain breaks (read with the
// alignment; the profile's lettered stakes read through them) and the
// profile, written as LandXML 1.2.
Outcome exportProject(const ExportOptions& o, CommandContext& c) {
    requireNotRead(o.out, o.project.files());
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    const LandXmlExport data{o.name, &project.alignment, &project.breaks, &project.profile};
    if (o.out == STANDARD_STREAM)
        c.out << landXmlText(data);
    else
        writeLandXml(o.out, data);
    return Outcome::done();
}

}  // namespace

void addLandXmlListCommand(CommandRegistry& registry, CLI::App* landxml) {
    auto o = std::make_shared<ListOptions>();
    CLI::App* command = registry.command("list", LIST_DESCRIPTION, landxml);
    command->add_option(help::FILE, o->file, "LandXML文件")->type_name(help::FILE)->required();
    registry.onRun(command, [o](CommandContext& c) {
        c.out << formatLandXmlList(listLandXml(o->file));
        return Outcome::done();
    });
}

void addLandXmlExportCommand(CommandRegistry& registry, CLI::App* landxml) {
    auto o = std::make_shared<ExportOptions>();
    CLI::App* command = registry.command("export", EXPORT_DESCRIPTION, landxml);
    o->project.addIcd(command, "平面线形ICD文件")->required();
    o->project.addProfile(command)->required();
    o->project.addBreaks(command);
    command->add_option("--name", o->name, "线形及其纵断面的名称")->type_name(help::NAME)->required();
    command->add_option("--out", o->out, "写出的LandXML文件（- 为标准输出）")->type_name("FILE.xml")->required();
    registry.onRun(command, [o](CommandContext& c) { return exportProject(*o, c); });
}

}  // namespace gradix::cli
