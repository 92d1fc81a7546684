#pragma once

// A borderless window built like the program's skinned windows: the
// fourteen frame pieces first in the child order, so that they lie beneath
// every other control, then lblTitle and one inner control.

#include <QLabel>
#include <QWidget>

enum class Stacking { Calculation, MessageBox };
Q_DECLARE_METATYPE(Stacking)

class SkinnedWindow : public QWidget {
public:
    explicit SkinnedWindow(Stacking stacking, QSize size = {415, 307});

    QLabel* piece(const QString& name) const;
    QWidget* inner() const { return inner_; }

private:
    QWidget* inner_;
};

// The picture a piece is defined with: its built-in bitmap, or for the
// message box's maximise holder the built-in GIF.
QImage builtInPicture(Stacking stacking, const QString& piece);
