#include "TestSupport.h"

#include "app/SharedState.h"
#include "app/frmQV7IC.h"
#include "device/frmKite7.h"
#include "platform/RecordingDialogs.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace qvic;
using Setting = QString SharedState::*;

namespace {

// The program after start-up, with the dialog open over its main window.
struct Opened
{
    Opened() : window(state, dialogs)
    {
        loaded = !window.load(dirs.appDir(), dirs.winDir());
        dialog = std::make_unique<frmKite7>(state, dialogs, window);
        dialog->show();
    }
    QComboBox *list(const QString &name) { return dialog->findChild<QComboBox *>(name); }
    test::TempDirs dirs;
    SharedState state;
    RecordingDialogs dialogs;
    frmQV7IC window;
    bool loaded = false;
    std::unique_ptr<frmKite7> dialog;
};

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
    void firstOpening_data();
    void firstOpening();
    void choice_data();
    void choice();
    void choicesOutliveTheDialog();
};

void tst_Kite7Dialog::firstOpening_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("ends"); // first and last entry
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("visible");
    QTest::newRow("COM") << "cboComPort" << "1" << "1..8" << 8 << true;
    QTest::newRow("speed") << "cboCrawlSpeed" << "Slow" << "Slow..Fast" << 3 << true;
    QTest::newRow("position") << "cboPosition" << "200" << "40..218" << 179 << true;
    QTest::newRow("repetition") << "cboRepetition" << "Infinite" << "1..Infinite" << 128 << true;
    QTest::newRow("banner") << "cboBackColor" << "No Background Color (Video)" << "Black..White"
                            << 16 << false;
    QTest::newRow("font") << "cboFont" << "Font 1" << "Font 1..Font 4" << 4 << false;
    QTest::newRow("font colour") << "cboFontColor" << "White" << "Black..White" << 16 << false;
}

void tst_Kite7Dialog::firstOpening()
{
    QFETCH(QString, name);
    Opened opened;
    QVERIFY(opened.loaded);
    QVERIFY(QTest::qWaitForWindowExposed(opened.dialog.get()));
    QComboBox *box = opened.list(name);
    QTEST(box->currentText(), "shown");
    QTEST(box->itemText(0) + ".." + box->itemText(box->count() - 1), "ends");
    QTEST(box->count(), "count");
    QTEST(box->isVisible(), "visible");
    // Opening writes back only what it found.
    QCOMPARE(opened.state.strKite7Repeat, QStringLiteral("128"));
    QCOMPARE(opened.state.strKite7FontColor, QStringLiteral("16"));
}

void tst_Kite7Dialog::choice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed"); // empty: the entry is chosen from the list
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QString>("kept");
    QTest::newRow("Infinite") << "cboRepetition" << "" << "Infinite" << &SharedState::strKite7Repeat
                              << "128";
    QTest::newRow("127") << "cboRepetition" << "" << "127" << &SharedState::strKite7Repeat << "127";
    QTest::newRow("COM 8") << "cboComPort" << "" << "8" << &SharedState::strKite7ComPort << "8";
    QTest::newRow("Fast") << "cboCrawlSpeed" << "" << "Fast" << &SharedState::strKite7Speed << "Fast";
    QTest::newRow("40") << "cboPosition" << "" << "40" << &SharedState::strKite7Position << "40";
    // The hidden lists: out of the operator's reach, chosen from code.
    QTest::newRow("font colour") << "cboFontColor" << "" << "No Background Color (Video)"
                                 << &SharedState::strKite7FontColor << "9";
    QTest::newRow("font") << "cboFont" << "" << "Font 4" << &SharedState::strKite7Font << "4";
    QTest::newRow("typed 300") << "cboPosition" << "300" << "300" << &SharedState::strKite7Position
                               << "200";
    // Confirming the very text of an entry takes that entry from the list.
    QTest::newRow("typed 150") << "cboPosition" << "150" << "150"
                               << &SharedState::strKite7Position << "150";
}

void tst_Kite7Dialog::choice()
{
    QFETCH(QString, typed);
    QFETCH(QString, entry);
    QFETCH(Setting, setting);
    Opened opened;
    QVERIFY(QTest::qWaitForWindowExposed(opened.dialog.get()));
    QFETCH(QString, name);
    QComboBox *box = opened.list(name);
    const int count = box->count();
    if (!typed.isEmpty()) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(opened.dialog->isVisible()); // Enter in a list presses no button
        QTest::mouseClick(opened.dialog->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
        QTRY_VERIFY(!opened.dialog->isVisible());
    } else if (box->isVisible()) {
        choose(box, entry);
    } else {
        box->setCurrentIndex(box->findText(entry));
        emit box->activated(box->currentIndex());
    }
    QTEST(opened.state.*setting, "kept");
    QCOMPARE(box->currentText(), entry);
    QCOMPARE(box->count(), count); // typing adds no entry
}

void tst_Kite7Dialog::choicesOutliveTheDialog()
{
    // Opened from the menu twice: the second opening shows what the first
    // chose, although the first was closed by its close box.
    Opened opened;
    opened.dialog.reset();
    QStringList seen;
    const auto visit = [&](bool choosing) {
        QTimer::singleShot(0, &opened.window, [&, choosing] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == QStringLiteral("frmKite7"));
            const auto box = [dialog](const char *name) { return dialog->findChild<QComboBox *>(name); };
            for (const char *name : {"cboComPort", "cboCrawlSpeed", "cboPosition", "cboRepetition"})
                seen << box(name)->currentText();
            if (!choosing)
                return QTest::mouseClick(dialog->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
            choose(box("cboComPort"), "3");
            choose(box("cboCrawlSpeed"), "Med");
            choose(box("cboPosition"), "218");
            choose(box("cboRepetition"), "1");
            dialog->close();
        });
        opened.window.findChild<QAction *>("mnuKite7")->trigger();
    };
    visit(true);
    visit(false);
    QCOMPARE(seen, (QStringList{"1", "Slow", "200", "Infinite", "3", "Med", "218", "1"}));
    QCOMPARE(opened.state.strKite7Repeat, QStringLiteral("1"));
}

QTEST_MAIN(tst_Kite7Dialog)
#include "tst_kite7dialog.moc"
