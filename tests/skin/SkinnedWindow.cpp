#include "SkinnedWindow.h"

#include <QLineEdit>

#include "skin/SkinModule.h"
#include "skin/TitleBar.h"

namespace {

// Top to bottom, as each window stacks its pieces.
const QStringList CalculationStacking{
    "imgTitleMaxRestore", "imgTitleRestore", "imgTitleMaximize", "imgTitleMinimize",
    "imgTitleClose", "imgTitleHelp", "imgWindowBottomLeft", "imgWindowBottom",
    "imgWindowLeft", "imgWindowRight", "imgTitleLeft", "imgTitleRight",
    "imgTitleMain", "imgWindowBottomRight"};
const QStringList MessageBoxStacking{
    "imgTitleRestore", "imgTitleMaximize", "imgTitleMaxRestore", "imgTitleHelp",
    "imgTitleClose", "imgTitleMinimize", "imgWindowRight", "imgWindowLeft",
    "imgWindowBottom", "imgTitleMain", "imgWindowBottomRight", "imgWindowBottomLeft",
    "imgTitleRight", "imgTitleLeft"};

const QStringList CalculationHidden{"imgTitleMaximize", "imgTitleRestore"};
const QStringList MessageBoxHidden{"imgTitleMinimize", "imgTitleHelp", "imgTitleMaxRestore",
                                   "imgTitleMaximize", "imgTitleRestore"};

}  // namespace

QImage builtInPicture(Stacking stacking, const QString& piece)
{
    if (piece == "imgTitleMaxRestore")
        return {};
    const bool gif = stacking == Stacking::MessageBox && piece == "imgTitleMaximize";
    return QImage(":/frame/" + piece + (gif ? ".gif" : ".bmp"));
}

SkinnedWindow::SkinnedWindow(Stacking stacking, QSize size)
{
    setWindowFlag(Qt::FramelessWindowHint);
    setObjectName(stacking == Stacking::Calculation ? "frmMainCode" : "frmMsgBox");
    const bool calculation = stacking == Stacking::Calculation;
    const QStringList& order = calculation ? CalculationStacking : MessageBoxStacking;
    const QStringList& hidden = calculation ? CalculationHidden : MessageBoxHidden;
    // Later children paint over earlier ones: create the bottom piece first.
    for (auto name = order.crbegin(); name != order.crend(); ++name) {
        auto* label = new QLabel(this);
        label->setObjectName(*name);
        const QImage picture = builtInPicture(stacking, *name);
        if (!picture.isNull())
            label->setPixmap(QPixmap::fromImage(picture));
        label->resize(picture.size());
        label->setVisible(!hidden.contains(*name));
    }
    auto* title = new QLabel(QStringLiteral("Vardenix"), this);
    title->setObjectName("lblTitle");
    inner_ = new QLineEdit(this);
    inner_->setObjectName("TextQ");
    inner_->setGeometry(100, 100, 120, 24);
    resize(size);

    SkinModule::ApplyPieceProperties(
        this, calculation ? SkinModule::TitleHints::On : SkinModule::TitleHints::Off);
    title->adjustSize();
    auto* bar = new SkinModule::TitleBar(this);
    connect(bar, &SkinModule::TitleBar::imgTitleClose_Click, this, &QWidget::close);
    if (calculation)
        connect(bar, &SkinModule::TitleBar::imgTitleMinimize_Click, this, &QWidget::showMinimized);
    connect(bar, &SkinModule::TitleBar::TitleMouseDown, this,
            [this](const QMouseEvent& press) { SkinModule::DragForm(this, press); });
}

QLabel* SkinnedWindow::piece(const QString& name) const
{
    return findChild<QLabel*>(name);
}
