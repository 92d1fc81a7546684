#pragma once

#include <QObject>

class QMouseEvent;
class QWidget;

namespace SkinModule {

// Watches the title-bar pieces of a skinned window and tells the window what
// the user asked for; the window decides what happens. A child of the window.
class TitleBar : public QObject {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* window);

signals:
    void imgTitleClose_Click();
    void imgTitleMinimize_Click();
    // A press of any button on imgTitleLeft, imgTitleMain, imgTitleRight or
    // lblTitle; its scenePosition() is where it lies in the window.
    void TitleMouseDown(const QMouseEvent& press);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* close_;
    QObject* minimize_;
};

}  // namespace SkinModule
