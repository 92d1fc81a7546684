// The real-window script compares the window with the results in its case
// table; this holds that table to the computation itself.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "hydraulics/window/crit_depth.h"

using namespace Qt::StringLiterals;

class GuiCasesTest : public QObject {
  Q_OBJECT

private slots:
  void tableMatchesTheComputation() {
    QFile file(QStringLiteral(VARDENIX_GUI_CASES));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray steps = QJsonDocument::fromJson(file.readAll()).object()[u"steps"_s].toArray();
    QVERIFY(!steps.isEmpty());

    // One program runs every step, so the members carry over as they do there.
    hydraulics::window::Members members;
    for (const QJsonValue& value : steps) {
      const QJsonObject step = value.toObject();
      const QByteArray name = step[u"name"_s].toString().toUtf8();
      hydraulics::window::BoxTexts boxes;
      boxes.TextQ = step[u"Q"_s].toString().toStdString();
      const QJsonObject text1 = step[u"Text1"_s].toObject();
      for (auto it = text1.begin(); it != text1.end(); ++it)
        boxes.Text1[it.key().toInt()] = it.value().toString().toStdString();

      const hydraulics::window::ComputeOutcome out =
          hydraulics::window::Compute(static_cast<std::int16_t>(step[u"section"_s].toInt()), boxes, members);
      const QString depth = QString::fromStdString(out.shown.depth);
      const QString width = QString::fromStdString(out.shown.width);
      QVERIFY2(depth == step[u"depth"_s].toString(), name + " depth " + depth.toUtf8());
      QVERIFY2(width == step[u"width"_s].toString(), name + " width " + width.toUtf8());
      QVERIFY2(out.message.has_value() == step.contains(u"message"_s), name);
      if (!out.message) continue;
      QCOMPARE(QString::fromUtf8(out.message->text.data(), qsizetype(out.message->text.size())),
               step[u"message"_s].toString());
      QCOMPARE(QString::fromUtf8(hydraulics::window::FocusBoxName(out.message->focus).data()), step[u"focus"_s].toString());
    }
  }
};

QTEST_APPLESS_MAIN(GuiCasesTest)
#include "tst_gui_cases.moc"
