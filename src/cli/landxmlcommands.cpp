// landxml list and landxml export: the alignments a LandXML file holds, and
// a project written as one.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/arguments.h"
#include "cli/clitexts.h"
#include "commands/initialise.h"
#include "landxml/landxml.h"
#include "surface/superelevationruns.h"
#include "text/messages.h"

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
    "断链读入。项目有超高（--sup 超高文件，或 --landxml 文件中的\n"
    "Superelevation）时，把行车道横坡离开路拱的各段写成Superelevation。";

struct ListOptions {
    std::string file;
};

struct ExportOptions {
    ProjectOptions project;
    FileOption superelevation;
    std::string name, out;
};

// landxml export: the ICD (or LandXML) alignment, its chain breaks (read
// with the alignment; the profile's lettered stakes read through them), the
// profile and the superelevation (a *.sup file, or the LandXML file's own),
// written as LandXML 1.2. The stretches of the slopes that are no
// superelevation run are said in the notes.
Outcome exportProject(const ExportOptions& o, CommandContext& c) {
    o.project.requireAlignment();
    o.project.requireProfileGiven();
    std::vector<std::string> inputs = o.project.files();
    if (o.superelevation.given()) inputs.push_back(o.superelevation.path);
    requireNotRead(o.out, inputs);
    Project& project = c.project;
    if (Outcome loaded = o.project.load(project); !loaded) return loaded;
    o.project.requireProfile(project);
    if (o.superelevation.given()) loadSurface(project, {o.superelevation.path, ""});
    SurfaceRuns runs;
    if (project.surface.loaded()) runs = superelevationRunsOf(project.surface);
    for (const auto& [from, to] : runs.notRuns)
        c.notes.push_back(msg::located(project.superelevationFileName, 0, msg::slopesNotSuperelevation(from, to)));
    LandXmlExport data{o.name, &project.alignment, &project.breaks, &project.profile};
    data.superelevation = &runs.runs;
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
    CLI::Option* icd = o->project.addIcd(command, "平面线形ICD文件");
    CLI::Option* landxmlFile = o->project.addLandXml(command, icd);
    o->project.addProfile(command);
    o->project.addBreaks(command)->excludes(landxmlFile);
    o->superelevation.option = command->add_option("--sup", o->superelevation.path, "超高文件（*.sup）")
                                   ->type_name(help::FILE);
    command->add_option("--name", o->name, "线形及其纵断面的名称")->type_name(help::NAME)->required();
    command->add_option("--out", o->out, "写出的LandXML文件（- 为标准输出）")->type_name("FILE.xml")->required();
    registry.onRun(command, [o](CommandContext& c) { return exportProject(*o, c); });
}

}  // namespace gradix::cli
