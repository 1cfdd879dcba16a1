// The cross-section view (横断面): the surface at one stake from the left
// subgrade edge to the right one, at the same scale across and up times a
// fixed vertical exaggeration (SECTION_VERTICAL_EXAGGERATION, said in the
// view's corner); each component with its width under it and its cross
// slope above it, each break point with its elevation, the design line's
// elevation at the centre, and the stake as its title.
#pragma once

#include <QWidget>

#include "views/sectionmodel.h"

namespace gradix {

// Cross slopes of a few percent over a road's width would be a hair's
// breadth at one scale: the section is drawn this many times higher.
inline constexpr double SECTION_VERTICAL_EXAGGERATION = 5;
// What the view says while no stake is chosen.
inline constexpr const char* SECTION_HINT_TEXT = "计算桩号或在纵断面、平面上移动光标以显示横断面";

class SectionView : public QWidget {
    Q_OBJECT
public:
    explicit SectionView(QWidget* parent = nullptr);

    // Shows a section (copied); an empty model shows the hint.
    void setSection(const SectionModel& model);
    void clear();
    const SectionModel& model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SectionModel model_;
};

}  // namespace gradix
