#pragma once

#include <QWidget>

#include "Quentrel/Views/Models/ProductHelpModel.h"

class QButtonGroup;
class QVBoxLayout;

namespace quentrel {

// The windows "help" and "about": four sections of short topics, chosen with a segmented picker,
// on the section the window was opened with. Static text apart from the product's name, version
// and build and whether the program carries a valid update configuration.
class ProductHelpView : public QWidget {
    Q_OBJECT
public:
    using HelpSection = quentrel::HelpSection;

    static constexpr int padding = 24;
    static constexpr int spacing = 18;
    static constexpr int iconSide = 42;
    static constexpr int headerSpacing = 12;
    static constexpr int headerTextSpacing = 3;
    static constexpr qreal titleSize = 23;
    static constexpr int topicSpacing = 7;
    static constexpr int trailingPadding = 6;

    // The presenter passes usage for "help" and about for "about" (helpSectionForWindow); the
    // window's objectName is "about" for the about section and "help" otherwise.
    explicit ProductHelpView(HelpSection initialSection, QWidget* parent = nullptr);

    HelpSection section() const { return section_; }
    const ProductHelpModel& model() const { return model_; }

private:
    void showSection(HelpSection section);

    HelpSection section_;
    ProductHelpModel model_;
    QButtonGroup* picker_;
    QWidget* topics_;
    QVBoxLayout* topicsLayout_;
};

}  // namespace quentrel
