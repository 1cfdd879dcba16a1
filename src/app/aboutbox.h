// The about box (aboutfrm): the program, its version, its licence and those
// of the libraries it links, the user manual and, where one is configured,
// the project's web page.
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
    // manual: the user manual, shown as its link; homepage: the project's
    // web page, shown when not empty.
    AboutBox(QWidget* parent, const QUrl& manual, const QUrl& homepage = QUrl());
};

}  // namespace gradix
