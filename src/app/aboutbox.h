// The about box (aboutfrm): the program, its version, its licence and those
// of the libraries it links, and the project's own page.
#pragma once

#include "gradix/version.h"

#include <QDialog>
#include <QUrl>

namespace gradix {

// The program's name and version as the title bar shows them.
inline constexpr const char* PROGRAM_TITLE = GRADIX_TITLE;
// The licence under which Gradix is given (LICENSE beside the README).
inline constexpr const char* LICENCE_NAME = "MIT License";
// The libraries the window links and their licences, as the box states them.
inline constexpr const char* LINKED_LICENCES =
    "Qt 6：LGPL-3.0（动态链接）<br>pugixml：MIT<br>libxlsxwriter：BSD-2-Clause<br>"
    "CLI11：BSD-3-Clause（仅 gradix-cli）";

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // page: the project's own page, shown as its link.
    AboutBox(QWidget* parent, const QUrl& page);
};

}  // namespace gradix
