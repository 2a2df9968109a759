#include "MainWindowFixture.h"

#include "device/frmKite7.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace qvic;
using Setting = QString SharedState::*;

namespace {

// The operator opens the list and takes an entry: the highlight moves to it, Enter takes it.
void choose(QComboBox *box, const QString &entry)
{
    box->showPopup();
    QTRY_VERIFY(box->view()->isVisible());
    box->view()->setCurrentIndex(box->view()->model()->index(box->findText(entry), 0));
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
}

} // namespace

class tst_Kite7Dialog : public QObject
{
    Q_OBJECT

private slots:
    void list_data();
    void list();
    void choicesOutliveTheDialog();
};

void tst_Kite7Dialog::list_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown"); // at the first opening
    QTest::addColumn<QString>("ends"); // first and last entry
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("typed"); // empty: the entry is chosen from the list
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QString>("kept");
    QTest::newRow("COM 8") << "cboComPort" << "1" << "1..8" << 8 << true << "" << "8" << &SharedState::strKite7ComPort << "8";
    QTest::newRow("Fast") << "cboCrawlSpeed" << "Slow" << "Slow..Fast" << 3 << true << "" << "Fast"
                          << &SharedState::strKite7Speed << "Fast";
    QTest::newRow("40") << "cboPosition" << "200" << "40..218" << 179 << true << "" << "40" << &SharedState::strKite7Position << "40";
    QTest::newRow("typed 300") << "cboPosition" << "200" << "40..218" << 179 << true << "300" << "300"
                               << &SharedState::strKite7Position << "200";
    // Confirming the very text of an entry takes that entry from the list.
    QTest::newRow("typed 150") << "cboPosition" << "200" << "40..218" << 179 << true << "150" << "150"
                               << &SharedState::strKite7Position << "150";
    QTest::newRow("127") << "cboRepetition" << "Infinite" << "1..Infinite" << 128 << true << "" << "127"
                         << &SharedState::strKite7Repeat << "127";
    // The hidden lists: out of the operator's reach, chosen from code.
    QTest::newRow("banner") << "cboBackColor" << "No Background Color (Video)" << "Black..White" << 16 << false
                            << "" << "White" << &SharedState::strKite7BackColor << "16";
    QTest::newRow("font") << "cboFont" << "Font 1" << "Font 1..Font 4" << 4 << false << "" << "Font 4"
                          << &SharedState::strKite7Font << "4";
    QTest::newRow("font colour") << "cboFontColor" << "White" << "Black..White" << 16 << false << ""
                                 << "No Background Color (Video)" << &SharedState::strKite7FontColor << "9";
}

void tst_Kite7Dialog::list()
{
    QFETCH(QString, typed);
    QFETCH(QString, entry);
    QFETCH(Setting, setting);
    test::MainWindowFixture w;
    QVERIFY(!w.error);
    frmKite7 dialog(w.state, w.dialogs, *w.window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Opening writes back only what it found.
    QCOMPARE(w.state.strKite7Repeat, QStringLiteral("128"));
    QCOMPARE(w.state.strKite7FontColor, QStringLiteral("16"));
    QFETCH(QString, name);
    QComboBox *box = dialog.findChild<QComboBox *>(name);
    QTEST(box->currentText(), "shown");
    QTEST(box->itemText(0) + ".." + box->itemText(box->count() - 1), "ends");
    QTEST(box->count(), "count");
    QTEST(box->isVisible(), "visible");
    if (!typed.isEmpty()) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(dialog.isVisible()); // Enter in a list presses no button
        QTest::mouseClick(dialog.findChild<QPushButton *>("btnClose"), Qt::LeftButton);
        QTRY_VERIFY(!dialog.isVisible());
    } else if (box->isVisible()) {
        choose(box, entry);
    } else {
        box->setCurrentIndex(box->findText(entry));
        emit box->activated(box->currentIndex());
    }
    QTEST(w.state.*setting, "kept");
    QCOMPARE(box->currentText(), entry);
    QTEST(box->count(), "count"); // typing adds no entry
}

// Opened from the menu twice: the second opening shows what the first chose,
// although the first was closed by its close box.
void tst_Kite7Dialog::choicesOutliveTheDialog()
{
    test::MainWindowFixture w;
    QStringList seen;
    const auto visit = [&](const QStringList &choices) {
        test::whenModal([&](QWidget *dialog) {
            QVERIFY(dialog && dialog->objectName() == u"frmKite7");
            const char *names[] = {"cboComPort", "cboCrawlSpeed", "cboPosition", "cboRepetition"};
            for (const char *name : names)
                seen << dialog->findChild<QComboBox *>(name)->currentText();
            for (int i = 0; i < choices.size(); ++i)
                choose(dialog->findChild<QComboBox *>(names[i]), choices[i]);
        });
        w.window->findChild<QAction *>("mnuKite7")->trigger();
    };
    visit({"3", "Med", "218", "1"});
    QCOMPARE(w.state.strKite7Repeat, QStringLiteral("1"));
    visit({"3", "Med", "218", "Infinite"});
    QCOMPARE(seen, (QStringList{"1", "Slow", "200", "Infinite", "3", "Med", "218", "1"}));
    QCOMPARE(w.state.strKite7Repeat, QStringLiteral("128"));
}

QTEST_MAIN(tst_Kite7Dialog)
#include "tst_kite7dialog.moc"
