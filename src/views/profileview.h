// The profile view (纵断面): the grade lines, the design line with its
// vertical curves as DesignAt gives them, each grade point with its stake,
// elevation and "R=… T=… E=…", the grade and slope length of each grade line,
// the chain breaks with their equation, an axis of stakes in drawing notation
// and a grid of elevations, at an adjustable vertical exaggeration. The stake
// just computed is marked; the cursor reads out stake, elevation and grade; a
// click hands its stake to the window.
#pragma once

#include <optional>

#include "views/profilemodel.h"
#include "views/roadview.h"

namespace gradix {

inline constexpr double DEFAULT_VERTICAL_EXAGGERATION = 10;

class ProfileView : public RoadView {
    Q_OBJECT
public:
    explicit ProfileView(QWidget* parent = nullptr);

    // Shows a prepared profile with its chain breaks (both copied) and zooms
    // to it. Returns "" when shown, else why it cannot be (the view is
    // emptied then).
    QString setProfile(const Profile& profile, const ChainBreakTable& breaks);
    void clear();
    bool hasProfile() const { return !model_.empty(); }

    const ProfileLabelModel& model() const { return model_; }
    const ProfileViewport& viewport() const { return viewport_; }
    void setViewport(const ProfileViewport& viewport);
    void zoomExtents() override;

    // The vertical exaggeration (elevation scale over chainage scale), kept
    // between 1 and 1000; the middle of the view stays where it is. Showing
    // the whole profile (zoomExtents) chooses the one that fits its
    // elevations into the view, and says so (verticalExaggerationChanged).
    void setVerticalExaggeration(double exaggeration);
    double verticalExaggeration() const { return exaggeration_; }

    // The computed stake, marked with its elevation and grade; none hides it.
    void setMarkedChainage(std::optional<double> chainage);
    std::optional<double> markedChainage() const { return marked_; }

    // The read-out at a widget position (DesignAt at the chainage under it);
    // none without a profile or where it cannot be evaluated.
    std::optional<ProfileReadout> readoutAt(QPointF position) const;
    // The read-out under the cursor, none when the cursor is elsewhere.
    const std::optional<ProfileReadout>& hoverReadout() const { return hover_; }
    // "桩号 BK2+320.457  高程 112.0480  纵坡 -0.9600%".
    static QString readoutText(const ProfileReadout& readout);

signals:
    // A click on the profile: the stake under it as the stake field takes it.
    void stakeClicked(const QString& stake, double chainage);
    void readoutChanged(const QString& text);
    // zoomExtents chose another vertical exaggeration.
    void verticalExaggerationChanged(double exaggeration);

protected:
    double metresPerPixel() const override { return 1.0 / viewport_.pixelsPerMetre; }
    bool hasRoad() const override { return hasProfile(); }
    void paintRoad(QPainter& p, QSizeF size, double unit, bool onPaper) const override;
    void paintMarks(QPainter& p, QSizeF size, double unit, bool onPaper) const override;
    void zoomView(QPointF position, double factor) override;
    void panView(QPointF delta) override;
    void hoverAt(QPointF position) override;
    void hoverEnded() override;
    void clickedAt(QPointF position) override;
    void sizeChanged() override;

private:
    // The viewport stretched onto a device of size pixels.
    ProfileViewport scaledTo(QSizeF size) const;

    Profile profile_;
    ChainBreakTable breaks_;
    ProfileLabelModel model_;
    ProfileViewport viewport_;
    double exaggeration_ = DEFAULT_VERTICAL_EXAGGERATION;
    std::optional<double> marked_;
    std::optional<ProfileReadout> hover_;
    QPointF hoverPos_;
};

}  // namespace gradix
