// The about box (aboutfrm): the program, its version, its licence and the
// maker's web page.
#pragma once

#include "gradix/version.h"

#include <QDialog>

namespace gradix {

// The maker's web page, opened by the more-software button.
inline constexpr const char* MAKER_WEB_PAGE = "https://example.com/gradix";
// The program's name and version as the title bar shows them.
inline constexpr const char* PROGRAM_TITLE = GRADIX_TITLE;
// The licence under which Gradix is given.
inline constexpr const char* LICENCE_NAME = "MIT License";

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent);
};

}  // namespace gradix
