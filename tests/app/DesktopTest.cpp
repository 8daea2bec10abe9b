// The main window and the completion dialog, driven through their seams: a fake desktop stands
// in for the save dialog, the question, error boxes and the opener, a fake run for the book.
#include "app/desktop/Desktop.h"
#include "app/desktop/BookMakerRun.h"
#include "app/desktop/BookSetupDialog.h"
#include "app/desktop/CompletionDialog.h"
#include "app/desktop/MainWindow.h"
#include "book/PlanFile.h"
#include "gq/Error.h"
#include "puzzle/PuzzleBank.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

using namespace gq;
using namespace gq::app;

class TFakeDesktop final : public IDesktop
{
  public:
    QString Documents;
    QStringList SaveAnswers; ///< answers in order; an empty text is Cancel
    QStringList SaveStarts;
    QStringList PlanAnswers; ///< answers to AskPlanPath in order; an empty text is Cancel
    QList<bool> PlanAsks;    ///< `save` of each AskPlanPath
    QList<bool> OverwriteAnswers;
    int OverwriteQuestions = 0;
    QList<QUrl> Opened;
    bool OpenWorks = true;    ///< whether Open finds a program
    QStringList OpenFailures; ///< "what|path" of each ShowOpenFailure
    QStringList Errors;
    QString Settings; ///< the settings file; empty remembers nothing
    QList<bool> CancelRunAnswers;
    int CancelRunQuestions = 0;

    QString DocumentsFolder() override { return Documents; }
    QString AskPdfPath(QWidget*, const QString& start) override
    {
        SaveStarts << start;
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.takeFirst();
    }
    QString AskPlanPath(QWidget*, bool save) override
    {
        PlanAsks << save;
        return PlanAnswers.isEmpty() ? QString() : PlanAnswers.takeFirst();
    }
    bool ConfirmOverwrite(QWidget*) override
    {
        ++OverwriteQuestions;
        return !OverwriteAnswers.isEmpty() && OverwriteAnswers.takeFirst();
    }
    void ShowError(QWidget*, const QString& message) override { Errors << message; }
    bool Open(const QUrl& url) override
    {
        Opened << url;
        return OpenWorks;
    }
    void ShowOpenFailure(QWidget*, const QString& what, const QString& path) override
    {
        OpenFailures << what + "|" + path;
    }
    bool ConfirmCancelRun(QWidget*) override
    {
        ++CancelRunQuestions;
        return !CancelRunAnswers.isEmpty() && CancelRunAnswers.takeFirst();
    }
    QString SettingsFile() override { return Settings; }
};

/// Writes a small file where the PDF goes and reports the usual progress, unless `Body` says
/// otherwise. Records what it was asked and how the window looked meanwhile.
class TFakeBookRun final : public IBookRun
{
  public:
    using TBody = std::function<void(const book::TBookSettings&, book::IBookProgress&)>;

    QStringList Calls;
    std::vector<book::TBookSettings> Settings;
    book::TBookFacts Facts; ///< what LastBookFacts reports
    TBody Body;
    std::function<void()> OnRun; ///< looks at the window while the run holds it

    void DeleteOldPages() override { Calls << "DeleteOldPages"; }
    void BuildBook(const book::TBookSettings& settings, book::IBookProgress& progress) override
    {
        Calls << "BuildBook";
        Settings.push_back(settings);
        if (OnRun)
            OnRun();
        if (Body)
            return Body(settings, progress);
        QFile pdf(QFile::decodeName(QByteArray::fromStdString(settings.PdfPath)));
        if (!pdf.open(QIODevice::WriteOnly) || pdf.write("%PDF-1.3 fake\n") < 0)
            throw Error("cannot write " + settings.PdfPath);
        pdf.close();
        progress.SetProgress(50);
        progress.SetCaption("Save file to disk,Please wait");
        progress.Repaint();
        progress.SetProgress(100);
        progress.SetCaption("Done");
        progress.Completed(settings.PdfPath);
    }
    void SetMessagePump(std::function<void()> pump) override { Pump = std::move(pump); }
    std::string PageStreamPath() const override { return "fake.pgs"; }
    const book::TBookFacts& LastBookFacts() const override { return Facts; }

    std::function<void()> Pump;
};

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TDesktopTest : public QObject
{
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> m_documents;
    std::unique_ptr<TFakeDesktop> m_desktop;
    std::unique_ptr<TForm1> m_form;
    TFakeBookRun* m_run = nullptr;
    QStringList m_factoryCalls;
    QTimer m_dialogAnswer;
    QString m_seenWarning; ///< the completion dialog's warning line as it was shown

    /// Makes the window; the factory fails for the first `factoryFailures` calls.
    void MakeForm(int factoryFailures = 0, bool livePreview = false)
    {
        m_form = std::make_unique<TForm1>(
            *m_desktop,
            [this, factoryFailures](const std::string& path) {
                m_factoryCalls << QString::fromStdString(path);
                if (m_factoryCalls.size() <= factoryFailures)
                    throw Error("no private temporary folder");
                auto run = std::make_unique<TFakeBookRun>();
                m_run = run.get();
                return std::unique_ptr<IBookRun>(std::move(run));
            },
            nullptr, livePreview);
    }

    template <typename T> T* Find(const char* name) const
    {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    QString Docs(const QString& file = {}) const { return m_documents->path() + "/" + file; }

    /// Presses `button` of the completion dialog as soon as it is shown.
    void AnswerCompletionDialog(const char* button)
    {
        m_dialogAnswer.disconnect();
        connect(&m_dialogAnswer, &QTimer::timeout, this, [this, button] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != "frmwc")
                return;
            m_dialogAnswer.stop();
            const auto* warning = modal->findChild<QLabel*>("WarningLabel");
            m_seenWarning = warning->isVisible() ? warning->text() : QString();
            modal->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
        m_dialogAnswer.start(5);
    }

    /// Presses "Book Setup...", lets `fill` work on the open dialog, then presses `button`
    /// ("OkButton" or "CancelButton"); returns once the dialog is closed.
    void UseBookSetup(const std::function<void(TBookSetupDialog&)>& fill, const char* button)
    {
        bool acted = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            auto* dialog = dynamic_cast<TBookSetupDialog*>(QApplication::activeModalWidget());
            if (!dialog || acted)
                return;
            acted = true;
            fill(*dialog);
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            if (dialog->isVisible()) // refused: leave it the way a user would
                dialog->reject();
        });
        timer.start(5);
        Find<QPushButton>("BookSetupButton")->click();
        QVERIFY(acted);
    }

    /// Makes the window over the real book maker, its page stream in the documents folder.
    void MakeRealForm()
    {
        const std::string stream = QFile::encodeName(Docs("stream.pgs")).toStdString();
        m_form = std::make_unique<TForm1>(
            *m_desktop, [stream](const std::string&) { return MakeBookMakerRun(stream); });
    }

    /// Chooses in Book Setup a print-ready 6 x 9 book titled `title` (empty: the level's).
    void ChoosePrintReady6x9(const QString& title = {})
    {
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                auto* paper = dialog.findChild<QComboBox*>("PaperBox");
                paper->setCurrentIndex(paper->findData("6x9"));
                dialog.findChild<QCheckBox*>("PrintReadyBox")->click();
                dialog.findChild<QLineEdit*>("TitleEdit")->setText(title);
            },
            "OkButton");
    }

    void SetPageCount(const QString& typed)
    {
        auto* edit = Find<QSpinBox>("Edit1");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, typed);
        edit->interpretText(); // as leaving the box does (Enter would make the book)
    }

    std::vector<QWidget*> Inputs() const
    {
        return {Find<QWidget>("Edit1"),   Find<QWidget>("manygroup"), Find<QWidget>("ndgroup"),
                Find<QWidget>("BitBtn2"), Find<QWidget>("Button4"),   Find<QWidget>("Button3")};
    }

    void SaveScreenshot(QWidget& widget, const QString& name)
    {
        const QString path = QStringLiteral(GQ_SCREENSHOT_DIR "/%1.png").arg(name);
        QVERIFY(widget.grab().save(path, "PNG"));
        qInfo("screenshot: %s", qPrintable(path));
    }

    /// Saves the documentation's screenshot `name` of `widget`, named after the scale factor the
    /// test runs at ("main-window-1x.png"): into this build folder, or into docs/screenshots
    /// with GQ_UPDATE_SCREENSHOTS=1 in the environment (a test run leaves the sources alone).
    void SaveDocsScreenshot(QWidget& widget, const QString& name)
    {
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        const QString folder = qEnvironmentVariableIsSet("GQ_UPDATE_SCREENSHOTS")
                                   ? QStringLiteral(GQ_DOCS_SCREENSHOTS)
                                   : QStringLiteral(GQ_SCREENSHOT_DIR "/docs");
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/%1-%2x.png").arg(name, scale);
        QVERIFY(widget.grab().save(path, "PNG"));
        qInfo("screenshot: %s", qPrintable(path));
    }

    /// Waits until the preview on show is of the current settings.
    void WaitForPreview()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_form->PreviewCurrent(), 20000);
        QVERIFY2(m_form->Preview(), qPrintable(m_form->PreviewError()));
    }

  private slots:
    void init()
    {
        m_documents = std::make_unique<QTemporaryDir>();
        QVERIFY(m_documents->isValid());
        m_desktop = std::make_unique<TFakeDesktop>();
        m_desktop->Documents = m_documents->path();
        m_factoryCalls.clear();
        m_run = nullptr;
    }

    void cleanup()
    {
        m_dialogAnswer.stop();
        m_form.reset();
        m_desktop.reset();
        m_documents.reset();
    }

    void startState()
    {
        MakeForm();
        QCOMPARE(m_form->windowTitle(), QString("Gridquill " GQ_VERSION));
        // Resizable, within a screen of 1366 x 768 at 1x and 1920 x 1080 at 2x.
        QVERIFY(m_form->minimumSize() != m_form->maximumSize());
        QVERIFY(m_form->minimumSizeHint().width() <= 1366 - 20);
        QVERIFY(m_form->minimumSizeHint().height() <= 768 - 60);
        QVERIFY(m_form->minimumSize().width() <= 960 && m_form->minimumSize().height() <= 540 - 30);
        QVERIFY(!m_form->windowIcon().isNull());

        QCOMPARE(Find<QSpinBox>("Edit1")->text(), QString("20"));
        QCOMPARE(Find<QSpinBox>("Edit1")->minimum(), 1);
        QCOMPARE(Find<QSpinBox>("Edit1")->maximum(), 200);
        QVERIFY(Find<QRadioButton>("manygroup_0")->isChecked());
        QVERIFY(Find<QRadioButton>("ndgroup_0")->isChecked());
        QVERIFY(!Find<QCheckBox>("cbk_candidates")->isChecked());
        QVERIFY(Find<QCheckBox>("cbk_candidates")->isEnabled());
        QVERIFY(Find<QGroupBox>("gpb")->isHidden());
        QCOMPARE(Find<QProgressBar>("pb")->value(), 0);
        for (const char* name : {"Image2", "Image4", "Imagea1c"})
            QVERIFY2(Find<QLabel>(name)->isHidden(), name);
        QVERIFY(!Find<QLabel>("Image1")->isHidden());

        const book::TBookSettings settings = m_form->Settings();
        QCOMPARE(settings.PageCount, 20);
        QCOMPARE(settings.PuzzlesPerPage, 1);
        QCOMPARE(settings.LevelIndex, 0);
        QCOMPARE(settings.Candidates, false);

        // Start-up: the default page-stream place, the documents folder as current folder.
        QCOMPARE(m_factoryCalls, QStringList{QString()});
        QVERIFY(m_run->Pump);
        QCOMPARE(QDir::currentPath(), QDir(m_documents->path()).canonicalPath());
        QVERIFY(m_desktop->Errors.isEmpty());
    }

    void controlCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("GroupBox1") << "GroupBox1"
                                   << "&Number of Pages (Max:200)";
        QTest::newRow("manygroup") << "manygroup"
                                   << "Puzzles per page";
        QTest::newRow("cbk_candidates") << "cbk_candidates"
                                        << "Print C&andidates";
        QTest::newRow("ndgroup") << "ndgroup"
                                 << "Sudoku level";
        QTest::newRow("BitBtn2") << "BitBtn2"
                                 << "&Create Now";
        QTest::newRow("gpb") << "gpb"
                             << "";
        QTest::newRow("Button4") << "Button4"
                                 << "Vis&it Velmora";
        QTest::newRow("Button3") << "Button3"
                                 << "&Quit";
        QTest::newRow("BookSetupButton") << "BookSetupButton"
                                         << "&Book Setup...";
        QTest::newRow("PrintButton") << "PrintButton"
                                     << "&Print...";
    }

    // The captions stay as they were, with an Alt key each; every control has a tooltip.
    void controlCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        MakeForm();
        QWidget* control = Find<QWidget>(qPrintable(name));
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            QCOMPARE(button->text(), caption);
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(name));
        }
        if (auto* group = qobject_cast<QGroupBox*>(control))
            QCOMPARE(group->title(), caption);
    }

    // At the smallest size, at the first size and grown, no two controls touch and the
    // preview area keeps the page's proportions room; every Alt key is used once.
    void layoutKeepsControlsApart()
    {
        MakeForm();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        for (const QSize size : {m_form->minimumSize(), m_form->size(), QSize(1300, 900)}) {
            m_form->resize(size);
            QApplication::processEvents();
            QList<QWidget*> controls;
            for (QWidget* widget : m_form->findChildren<QWidget*>())
                if (widget->isVisible() && !widget->objectName().isEmpty() &&
                    (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QSpinBox*>(widget) ||
                     qobject_cast<QLabel*>(widget)) &&
                    !qobject_cast<QLabel*>(widget->parentWidget()))
                    controls << widget;
            for (int i = 0; i < controls.size(); ++i)
                for (int j = i + 1; j < controls.size(); ++j) {
                    const QRect a(controls[i]->mapTo(m_form.get(), QPoint()), controls[i]->size());
                    const QRect b(controls[j]->mapTo(m_form.get(), QPoint()), controls[j]->size());
                    QVERIFY2(!a.intersects(b), qPrintable(controls[i]->objectName() + " touches " +
                                                          controls[j]->objectName()));
                }
        }
        QStringList keys;
        for (QAbstractButton* button : m_form->findChildren<QAbstractButton*>()) {
            const qsizetype amp = button->text().indexOf('&');
            if (button->window() != m_form.get() || button->objectName().startsWith("qt_") ||
                amp < 0)
                continue;
            keys << button->text().mid(amp + 1, 1).toLower();
        }
        for (QGroupBox* group : m_form->findChildren<QGroupBox*>()) {
            const qsizetype amp = group->title().indexOf('&');
            if (amp >= 0)
                keys << group->title().mid(amp + 1, 1).toLower();
        }
        QVERIFY(keys.size() >= 16);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
    }

    // Tab follows the screen: the choices top to bottom, then the actions; Enter makes the book.
    void keyboard()
    {
        MakeForm();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QStringList order;
        QWidget* widget = Find<QWidget>("Edit1");
        for (int i = 0; i < 18; ++i) {
            order << widget->objectName();
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty() ||
                   widget->objectName().startsWith("qt_") || !widget->isVisible())
                widget = widget->nextInFocusChain();
        }
        QCOMPARE(order.mid(0, 6), (QStringList{"Edit1", "manygroup_0", "manygroup_1", "manygroup_2",
                                               "cbk_candidates", "ndgroup_0"}));
        QVERIFY(order.indexOf("BitBtn2") > order.indexOf("ndgroup_5"));
        QVERIFY(order.indexOf("Button3") > order.indexOf("Button4"));

        m_desktop->SaveAnswers << Docs("enter.pdf");
        AnswerCompletionDialog("Button3");
        Find<QSpinBox>("Edit1")->setFocus();
        QTest::keyClick(Find<QSpinBox>("Edit1"), Qt::Key_Return);
        QCOMPARE(m_desktop->SaveStarts.size(), 1);
        QCOMPARE(m_run->Calls, (QStringList{"DeleteOldPages", "BuildBook"}));
    }

    void radioGroupItems()
    {
        MakeForm();
        const QStringList levels = {"Very Easy Sudoku", "Easy Sudoku",   "Standard Sudoku",
                                    "Hard Sudoku",      "Expert Sudoku", "Extreme Sudoku"};
        for (int i = 0; i < levels.size(); ++i) {
            auto* radio = Find<QRadioButton>(qPrintable(QString("ndgroup_%1").arg(i)));
            QCOMPARE(radio->text().remove('&'), levels[i]);
            radio->click();
            QCOMPARE(m_form->Settings().LevelIndex, i);
        }
        const int perPage[] = {1, 2, 4};
        for (int i = 0; i < 3; ++i) {
            Find<QRadioButton>(qPrintable(QString("manygroup_%1").arg(i)))->click();
            QCOMPARE(m_form->Settings().PuzzlesPerPage, perPage[i]);
        }
        // Two columns: item 2 heads the right-hand column, above the check box.
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QRect right = Find<QWidget>("manygroup_2")->geometry();
        QCOMPARE(right.top(), Find<QWidget>("manygroup_0")->geometry().top());
        const QRect box = Find<QWidget>("cbk_candidates")->geometry();
        QCOMPARE(box.left(), right.left());
        QVERIFY(box.top() > right.bottom());
    }

    void pictureRule_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("start") << QStringList{} << "Image1" << false << true;
        QTest::newRow("tick") << QStringList{"box"} << "Imagea1c" << true << true;
        QTest::newRow("tick, clear") << QStringList{"box", "box"} << "Image1" << false << true;
        QTest::newRow("tick, 2 per page") << QStringList{"box", "2"} << "Image2" << false << false;
        QTest::newRow("tick, 2, back to 1")
            << QStringList{"box", "2", "1"} << "Image1" << false << true;
        QTest::newRow("4 per page") << QStringList{"4"} << "Image4" << false << false;
        QTest::newRow("tick, 4, 2") << QStringList{"box", "4", "2"} << "Image2" << false << false;
        QTest::newRow("box locked at 2") << QStringList{"2", "box"} << "Image2" << false << false;
        QTest::newRow("4, 1, tick") << QStringList{"4", "1", "box"} << "Imagea1c" << true << true;
    }

    void pictureRule()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, picture);
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        MakeForm();
        for (const QString& step : steps) {
            if (step == "box")
                Find<QCheckBox>("cbk_candidates")->click();
            else
                Find<QRadioButton>(qPrintable("manygroup_" + QString::number(step == "1"   ? 0
                                                                             : step == "2" ? 1
                                                                                           : 2)))
                    ->click();
        }
        for (const char* name : {"Image1", "Image2", "Image4", "Imagea1c"})
            QCOMPARE(!Find<QLabel>(name)->isHidden(), picture == name);
        QCOMPARE(Find<QCheckBox>("cbk_candidates")->isChecked(), checked);
        QCOMPARE(Find<QCheckBox>("cbk_candidates")->isEnabled(), enabled);
        QCOMPARE(m_form->Settings().Candidates, checked);
    }

    void pageCount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("count");
        QTest::newRow("150") << "150" << 150;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("200") << "200" << 200;
        QTest::newRow("0") << "0" << 1;
        QTest::newRow("250") << "250" << 200;
        QTest::newRow("201") << "201" << 200;
        QTest::newRow("letters") << "abc" << 20;
        QTest::newRow("empty") << "" << 20;
        QTest::newRow("too long") << "1000" << 100;
    }

    void pageCount()
    {
        QFETCH(QString, typed);
        QFETCH(int, count);
        MakeForm();
        SetPageCount(typed);
        auto* edit = Find<QSpinBox>("Edit1");
        QCOMPARE(edit->value(), count);
        QCOMPARE(edit->text(), QString::number(count));
        QCOMPARE(m_form->Settings().PageCount, count);
    }

    // A count typed but not yet confirmed is settled before the run reads it.
    void createNowSettlesTypedCount()
    {
        MakeForm();
        m_desktop->SaveAnswers << Docs("a.pdf") << Docs("b.pdf");
        AnswerCompletionDialog("Button3");
        auto* edit = Find<QSpinBox>("Edit1");
        edit->selectAll();
        QTest::keyClicks(edit, "250");
        QVERIFY2(Find<QLabel>("PageRangeLabel")->text().contains("1 to 200"),
                 qPrintable(Find<QLabel>("PageRangeLabel")->text()));
        QVERIFY(Find<QLabel>("PageRangeLabel")->text().contains("250 becomes 200"));
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_run->Settings.at(0).PageCount, 200);

        AnswerCompletionDialog("Button3");
        edit->selectAll();
        QTest::keyClicks(edit, "37");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_run->Settings.at(1).PageCount, 37);
    }

    void createNowMakesTheBook()
    {
        MakeForm();
        Find<QRadioButton>("manygroup_1")->click();
        Find<QRadioButton>("ndgroup_3")->click();
        SetPageCount("7");
        m_desktop->SaveAnswers << Docs("book"); // typed without an extension

        struct
        {
            bool Locked = true;
            bool CloseRefused = false;
            QString Caption;
            int Value = -1;
            bool GroupShown = false;
        } seen;
        m_run->OnRun = [&] {
            for (QWidget* input : Inputs())
                seen.Locked = seen.Locked && !input->isEnabled();
            seen.CloseRefused = !m_form->close();
            seen.Caption = Find<QGroupBox>("gpb")->title();
            seen.Value = Find<QProgressBar>("pb")->value();
            seen.GroupShown = !Find<QGroupBox>("gpb")->isHidden();
        };
        AnswerCompletionDialog("Button2");
        Find<QPushButton>("BitBtn2")->click();

        QCOMPARE(m_desktop->SaveStarts, QStringList{Docs()});
        QCOMPARE(m_desktop->OverwriteQuestions, 0);
        QCOMPARE(m_run->Calls, (QStringList{"DeleteOldPages", "BuildBook"}));
        const book::TBookSettings& settings = m_run->Settings.at(0);
        QCOMPARE(settings.PageCount, 7);
        QCOMPARE(settings.PuzzlesPerPage, 2);
        QCOMPARE(settings.LevelIndex, 3);
        QCOMPARE(settings.Candidates, false);
        QCOMPARE(QString::fromStdString(settings.PdfPath), Docs("book.pdf"));
        QVERIFY(QFile::exists(Docs("book.pdf")));

        QVERIFY(seen.Locked);
        QVERIFY(seen.CloseRefused);
        QCOMPARE(seen.Caption, QString("Create Sudoku Puzzles ..."));
        QCOMPARE(seen.Value, 0);
        QVERIFY(seen.GroupShown);

        // After the run: "Done" and 100 stay, the controls are back as they were.
        QCOMPARE(Find<QGroupBox>("gpb")->title(), QString("Done"));
        QCOMPARE(Find<QProgressBar>("pb")->value(), 100);
        QVERIFY(!Find<QGroupBox>("gpb")->isHidden());
        for (QWidget* input : Inputs())
            QVERIFY(input->isEnabled());
        QVERIFY(!Find<QCheckBox>("cbk_candidates")->isEnabled()); // still two per page
        QVERIFY(!m_form->Running());

        // "Open Folder" opened the folder and closed the dialog.
        QCOMPARE(m_desktop->Opened, QList<QUrl>{QUrl::fromLocalFile(m_documents->path())});
        QVERIFY(m_form->CompletionDialog().isHidden());
        QCOMPARE(m_form->CompletionDialog().findChild<QLabel*>("Label1")->text(),
                 QString("Completed !!!"));
        QVERIFY(m_desktop->Errors.isEmpty());

        // The next save dialog starts on the file just written.
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->SaveStarts.value(1), Docs("book.pdf"));
        QCOMPARE(m_run->Settings.size(), std::size_t(1));
    }

    void cancelAtSaveDialogTouchesNothing()
    {
        MakeForm();
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->SaveStarts.size(), 1);
        QVERIFY(m_run->Calls.isEmpty());
        QVERIFY(Find<QGroupBox>("gpb")->isHidden());
        QCOMPARE(m_desktop->OverwriteQuestions, 0);
        QVERIFY(m_desktop->Errors.isEmpty());
    }

    void existingFile_data()
    {
        QTest::addColumn<bool>("answerOk");
        QTest::newRow("OK replaces") << true;
        QTest::newRow("Cancel keeps") << false;
    }

    void existingFile()
    {
        QFETCH(bool, answerOk);
        MakeForm();
        WriteFile(Docs("old.pdf"), "old book");
        m_desktop->SaveAnswers << Docs("old.pdf");
        m_desktop->OverwriteAnswers << answerOk;
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();

        QCOMPARE(m_desktop->OverwriteQuestions, 1);
        QCOMPARE(ReadFile(Docs("old.pdf")) == "old book", !answerOk);
        QCOMPARE(m_run->Calls.size(), answerOk ? 2 : 0);
        QCOMPARE(Find<QGroupBox>("gpb")->isHidden(), !answerOk);
        QVERIFY(m_desktop->Opened.isEmpty()); // "Close" opens nothing
        QVERIFY(m_desktop->Errors.isEmpty());
    }

    void failingRunShowsItsMessage_data()
    {
        QTest::addColumn<bool>("ownError");
        QTest::newRow("gq::Error") << true;
        QTest::newRow("std::exception") << false;
    }

    void failingRunShowsItsMessage()
    {
        QFETCH(bool, ownError);
        MakeForm();
        m_desktop->SaveAnswers << Docs("x.pdf");
        m_run->Body = [ownError](const book::TBookSettings&, book::IBookProgress& progress) {
            progress.SetProgress(37);
            progress.SetCaption("Save file to disk,Please wait");
            if (ownError)
                throw Error("Cannot create the PDF file /x/book.pdf: Permission denied");
            throw std::runtime_error("out of memory");
        };
        Find<QPushButton>("BitBtn2")->click(); // no completion dialog: it would block here

        QCOMPARE(m_desktop->Errors,
                 QStringList{ownError ? "Cannot create the PDF file /x/book.pdf: Permission denied"
                                      : "out of memory"});
        // The progress group tells of the failure; the bar starts again.
        QCOMPARE(Find<QProgressBar>("pb")->value(), 0);
        QVERIFY2(Find<QGroupBox>("gpb")->title().startsWith("Failed: "),
                 qPrintable(Find<QGroupBox>("gpb")->title()));
        QCOMPARE(Find<QGroupBox>("gpb")->toolTip(), "Failed: " + m_desktop->Errors.constFirst());
        for (QWidget* input : Inputs())
            QVERIFY(input->isEnabled());

        // The window is ready for the next run, which resets the progress group.
        m_run->Body = nullptr;
        m_desktop->SaveAnswers << Docs("y.pdf");
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(Find<QGroupBox>("gpb")->title(), QString("Done"));
        QCOMPARE(m_run->Calls.count("DeleteOldPages"), 2);
    }

    void startUpProblemsAreShownAndStartUpGoesOn()
    {
        // Without a documents folder the home folder serves, without a word.
        m_desktop->Documents = m_documents->path() + "/missing";
        MakeForm(1);
        QCOMPARE(m_desktop->Errors.size(), 1);
        QCOMPARE(m_desktop->Errors[0], QString("no private temporary folder"));
        QCOMPARE(m_form->DocumentsFolderInUse(), QDir::homePath() + "/");
        QCOMPARE(QDir::currentPath(), QDir(QDir::homePath()).canonicalPath());
        m_desktop->SaveAnswers << QString();
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->SaveStarts, QStringList{QDir::homePath() + "/"});
        // The page stream falls back to the bare file name in the current folder.
        QCOMPARE(m_factoryCalls, (QStringList{"", "velmoraquill.pgs"}));
        QVERIFY(m_form->BookRun());
        QCOMPARE(m_form->windowTitle(), QString("Gridquill " GQ_VERSION));
        QCOMPARE(Find<QSpinBox>("Edit1")->value(), 20);
    }

    void noBookEngineIsReportedAtCreateNow()
    {
        MakeForm(2);
        QCOMPARE(m_desktop->Errors.size(), 2);
        QVERIFY(!m_form->BookRun());
        m_desktop->SaveAnswers << Docs("z.pdf");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->Errors.size(), 3);
        QVERIFY(m_desktop->Errors[2].contains("book engine"));
        QVERIFY(!QFile::exists(Docs("z.pdf")));
    }

    void visitAndQuit()
    {
        MakeForm();
        m_form->show();
        Find<QPushButton>("Button4")->click();
        QCOMPARE(m_desktop->Opened, QList<QUrl>{QUrl("https://www.velmora.example/")});
        Find<QPushButton>("Button3")->click();
        QVERIFY(!m_form->isVisible());
    }

    void completionDialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("opened");
        QTest::newRow("Open") << "Button1"
                              << "/books/my book.pdf";
        QTest::newRow("Open Folder") << "Button2"
                                     << "/books";
        QTest::newRow("Close") << "Button3"
                               << "";
    }

    void completionDialog()
    {
        QFETCH(QString, button);
        QFETCH(QString, opened);
        Tfrmwc dialog(*m_desktop);
        QCOMPARE(dialog.windowTitle(), QString("Gridquill"));
        QCOMPARE(dialog.size(), QSize(299, 108));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        const struct
        {
            const char* Name;
            const char* Caption;
            QRect Geometry;
        } buttons[] = {{"Button1", "Open", {12, 65, 75, 25}},
                       {"Button2", "Open Folder", {112, 65, 75, 25}},
                       {"Button3", "Close", {212, 65, 75, 25}}};
        for (const auto& expected : buttons) {
            auto* control = dialog.findChild<QPushButton*>(expected.Name);
            QVERIFY(control);
            QCOMPARE(control->text(), QString(expected.Caption));
            QCOMPARE(control->geometry(), expected.Geometry);
        }
        QCOMPARE(dialog.findChild<QLabel*>("Label1")->pos(), QPoint(15, 25));

        QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>(button)->click(); });
        dialog.ShowFor("/books/my book.pdf");
        QVERIFY(dialog.isHidden());
        QCOMPARE(m_desktop->Opened,
                 opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl::fromLocalFile(opened)});
    }

    void saveDialogSettings()
    {
        auto first = MakeSaveDialog(nullptr, Docs());
        QCOMPARE(first->nameFilters(), QStringList{"Pdf file (*.pdf)"});
        QCOMPARE(first->defaultSuffix(), QString("pdf"));
        QVERIFY(first->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(first->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(first->directory().absolutePath(), QDir(Docs()).absolutePath());

        QDir(m_documents->path()).mkdir("sub");
        auto again = MakeSaveDialog(nullptr, Docs("sub/book.pdf"));
        QCOMPARE(again->directory().absolutePath(), QDir(Docs("sub")).absolutePath());
    }

    void pathRules()
    {
        QCOMPARE(FolderOf("/books/book.pdf"), QString("/books"));
        QCOMPARE(FolderOf("/a/b.c/book.pdf"), QString("/a/b.c"));
        QCOMPARE(FolderOf("/book.pdf"), QString("/"));
        QCOMPARE(WithDefaultSuffix("/d/book"), QString("/d/book.pdf"));
        QCOMPARE(WithDefaultSuffix("/d/book.PDF"), QString("/d/book.PDF"));
        QCOMPARE(WithDefaultSuffix("/d.x/book"), QString("/d.x/book.pdf"));
        QCOMPARE(WithDefaultSuffix("/d/book."), QString("/d/book.pdf"));
        QVERIFY_THROWS_EXCEPTION(Error, WithDefaultSuffix("/d/.pdf"));
    }

    void aNameThatIsOnlyTheSuffixIsRefused()
    {
        MakeForm();
        m_desktop->SaveAnswers << Docs(".pdf");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->Errors.size(), 1);
        QVERIFY2(m_desktop->Errors.constFirst().contains("has no file name before its suffix"),
                 qPrintable(m_desktop->Errors.constFirst()));
        QVERIFY(m_run->Calls.isEmpty());
        QVERIFY(Find<QGroupBox>("gpb")->isHidden());
    }

    // The window shows the book the settings make: the first puzzle page at once, any page by
    // the slider, and a new preview after each change.
    void livePreview()
    {
        MakeForm(0, true);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        WaitForPreview();
        for (const char* name : {"Image1", "Image2", "Image4", "Imagea1c"})
            QVERIFY2(Find<QLabel>(name)->isHidden(), name);
        QVERIFY(Find<QWidget>("PreviewView")->isVisible());
        const book::TPreview* first = m_form->Preview();
        QCOMPARE(first->Settings.LevelIndex, 0);
        QCOMPARE(m_form->PreviewPage(), first->FirstPuzzlePage);
        QCOMPARE(Find<QLabel>("PreviewPageLabel")->text(),
                 QString("Preview page 1 of %1").arg(first->Pages));
        auto* slider = Find<QSlider>("PreviewPageSlider");
        slider->setValue(first->Pages);
        QCOMPARE(Find<QLabel>("PreviewPageLabel")->text(),
                 QString("Preview page %1 of %1").arg(first->Pages));

        // Level, layout and Book Setup all reach the preview.
        Find<QRadioButton>("ndgroup_5")->click();
        Find<QRadioButton>("manygroup_2")->click();
        QVERIFY(!m_form->PreviewCurrent());
        ChoosePrintReady6x9("Preview Book");
        WaitForPreview();
        const book::TPreview* preview = m_form->Preview();
        QCOMPARE(preview->Settings.LevelIndex, 5);
        QCOMPARE(preview->Settings.PuzzlesPerPage, 4);
        QCOMPARE(preview->Settings.Paper, std::string("6x9"));
        QCOMPARE(preview->PageWidth, 6.0);
        QVERIFY(preview->Settings.IsPrintReady());
        QVERIFY(preview->FirstPuzzlePage > 1); // after the front matter
        QCOMPARE(m_form->PreviewPage(), preview->FirstPuzzlePage);

        QVERIFY(m_form->PreviewError().isEmpty());
    }

    void livePreviewScreenshots()
    {
        MakeForm(0, true);
        m_form->resize(900, 640);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        WaitForPreview();
        QTest::qWait(50);
        SaveDocsScreenshot(*m_form, "main-window");
        Find<QRadioButton>("ndgroup_5")->click();
        Find<QRadioButton>("manygroup_2")->click();
        ChoosePrintReady6x9("Extreme Puzzles");
        WaitForPreview();
        QTest::qWait(50);
        SaveDocsScreenshot(*m_form, "main-window-6x9-four");

        bool shot = false;
        QTimer::singleShot(100, this, [&] {
            auto* dialog = dynamic_cast<TBookSetupDialog*>(QApplication::activeModalWidget());
            if (dialog) {
                SaveDocsScreenshot(*dialog, "book-setup");
                shot = true;
                dialog->reject();
            }
        });
        Find<QPushButton>("BookSetupButton")->click();
        QVERIFY(shot);

        m_run->Facts.Pages = 26;
        m_run->Facts.Paper = "6x9";
        m_run->Facts.PageWidth = 6;
        m_run->Facts.PageHeight = 9;
        m_run->Facts.PrintReady = true;
        m_desktop->SaveAnswers << Docs("Extreme Puzzles Vol. 2");
        shot = false;
        QTimer::singleShot(100, this, [&] {
            SaveDocsScreenshot(m_form->CompletionDialog(), "completion-dialog");
            shot = true;
            m_form->CompletionDialog().findChild<QPushButton*>("Button3")->click();
        });
        Find<QPushButton>("BitBtn2")->click();
        QVERIFY(shot);

        m_desktop->SaveAnswers << Docs("full.pdf");
        m_run->Body = [](const book::TBookSettings&, book::IBookProgress& progress) {
            progress.SetProgress(80);
            throw Error("Cannot write /media/usb/full.pdf: No space left on device");
        };
        Find<QPushButton>("BitBtn2")->click();
        QTest::qWait(20);
        SaveDocsScreenshot(*m_form, "failure");
    }

    // Every choice of the window and of Book Setup, and the last file, survive a restart; a
    // first start shows the defaults, and "Restore Defaults" brings them back.
    void choicesSurviveARestart()
    {
        QTemporaryDir config;
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        TSystemDesktop system;
        m_desktop->Settings = system.SettingsFile();
        if (oldConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(m_desktop->Settings, config.path() + "/gridquill/gridquill.conf");

        MakeForm();
        QCOMPARE(m_form->Settings(), book::TBookSettings{}); // first start: the defaults
        Find<QRadioButton>("ndgroup_3")->click();
        Find<QCheckBox>("cbk_candidates")->click();
        SetPageCount("42");
        UseBookSetup(
            [](TBookSetupDialog& dialog) {
                auto* paper = dialog.findChild<QComboBox*>("PaperBox");
                paper->setCurrentIndex(paper->findData("6x9"));
                dialog.findChild<QLineEdit*>("TitleEdit")->setText("Kept Title");
                dialog.findChild<QLineEdit*>("PublisherEdit")->setText("Kept House");
                dialog.findChild<QCheckBox*>("HintsBox")->click();
                dialog.findChild<QSpinBox*>("WorkedSolutionsSpin")->setValue(3);
                dialog.findChild<QCheckBox*>("AnswerNotesBox")->click();
                dialog.findChild<QCheckBox*>("CoverBox")->click();
                auto* service = dialog.findChild<QComboBox*>("CoverServiceBox");
                service->setCurrentIndex(service->findData("lulu"));
                auto* stock = dialog.findChild<QComboBox*>("CoverStockBox");
                stock->setCurrentIndex(stock->findData("cream"));
                dialog.findChild<QPlainTextEdit*>("CoverBlurbEdit")->setPlainText("Back text");
                auto* type = dialog.findChild<QComboBox*>("VariantBox");
                type->setCurrentIndex(type->findData("x"));
            },
            "OkButton");
        m_desktop->SaveAnswers << Docs("kept.pdf");
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        const book::TBookSettings before = m_form->Settings();
        QCOMPARE(before.LevelIndex, 3);
        QCOMPARE(before.PageCount, 42);
        QVERIFY(before.Candidates && before.Hints && before.AnswerNotes);
        QCOMPARE(before.WorkedSolutions, 3);
        QVERIFY(before.Cover.Make);
        QCOMPARE(before.Cover.Service, std::string("lulu"));
        QCOMPARE(before.Cover.Stock, std::string("cream"));
        QCOMPARE(before.Cover.Blurb, std::string("Back text"));
        QCOMPARE(before.Variant, std::string("x"));
        QCOMPARE(before.Publisher, std::string("Kept House"));
        m_form.reset();

        MakeForm(); // the restart
        QCOMPARE(m_form->Settings(), before);
        QVERIFY(Find<QCheckBox>("cbk_candidates")->isChecked());
        QCOMPARE(Find<QSpinBox>("Edit1")->value(), 42);
        m_desktop->SaveAnswers << QString();
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->SaveStarts.last(), Docs("kept.pdf")); // the last folder and file

        UseBookSetup(
            [](TBookSetupDialog& dialog) {
                dialog.findChild<QPushButton*>("RestoreDefaultsButton")->click();
                QCOMPARE(dialog.Setup(), TBookSetup{});
            },
            "OkButton");
        QCOMPARE(m_form->BookSetup(), TBookSetup{});
        m_form.reset();
        MakeForm();
        QCOMPARE(m_form->BookSetup(), TBookSetup{});

        // A damaged file is no obstacle: unusable values keep their defaults.
        QFile file(m_desktop->Settings);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[window]\nlevel=99\npages=-4\npuzzlesPerPage=3\n[setup]\npaper=napkin\n"
                   "volume=999\nsections=\"0:5,0:5\"\nanswersPerPage=7\ncoverService=fax\n"
                   "variant=sudoku9\n");
        file.close();
        m_form.reset();
        MakeForm();
        const book::TBookSettings damaged = m_form->Settings();
        QCOMPARE(damaged.LevelIndex, 5);
        QCOMPARE(damaged.PageCount, 1);
        QCOMPARE(damaged.PuzzlesPerPage, 1);
        QCOMPARE(damaged.Paper, std::string("letter"));
        QCOMPARE(damaged.Volume, 0);
        QVERIFY(damaged.Sections.empty());
        QCOMPARE(damaged.AnswersPerPage, 4);
        QCOMPARE(damaged.Cover.Service, std::string("kdp"));
        QVERIFY(damaged.Variant.empty());
    }

    // Cancel stops a real run within moments, leaves the existing file as it was and nothing
    // else behind, and resets the progress group.
    void cancelLeavesNothing()
    {
        MakeRealForm();
        WriteFile(Docs("old.pdf"), "old book");
        SetPageCount("200");
        Find<QRadioButton>("manygroup_2")->click();
        m_desktop->SaveAnswers << Docs("old.pdf");
        m_desktop->OverwriteAnswers << true;
        QElapsedTimer sinceCancel;
        bool cancelShown = false;
        QTimer::singleShot(150, this, [&] {
            auto* cancel = Find<QPushButton>("CancelRunButton");
            cancelShown = cancel->isVisible() && cancel->isEnabled();
            sinceCancel.start();
            cancel->click();
        });
        m_form->show();
        Find<QPushButton>("BitBtn2")->click();
        const qint64 stopped = sinceCancel.elapsed();
        qInfo("stopped %lld ms after Cancel", stopped);
        QVERIFY(cancelShown);
        QVERIFY2(stopped < 200, qPrintable(QString::number(stopped)));
        QVERIFY(m_desktop->Errors.isEmpty());
        QCOMPARE(ReadFile(Docs("old.pdf")), QByteArray("old book"));
        QCOMPARE(QDir(m_documents->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"old.pdf"});
        QCOMPARE(Find<QGroupBox>("gpb")->title(), QString("Cancelled"));
        QCOMPARE(Find<QProgressBar>("pb")->value(), 0);
        QVERIFY(!Find<QPushButton>("CancelRunButton")->isVisible());
        QVERIFY(Find<QPushButton>("BitBtn2")->isEnabled());
    }

    // Closing the window during a run asks; No goes on, Yes stops the run and closes.
    void closingDuringARunAsks()
    {
        MakeForm();
        m_form->show();
        m_desktop->SaveAnswers << Docs("a.pdf") << Docs("b.pdf");
        m_desktop->CancelRunAnswers << false << true;
        m_run->Body = [this](const book::TBookSettings&, book::IBookProgress& progress) {
            progress.SetProgress(10);
            QVERIFY(!m_form->close());
            progress.SetProgress(20); // the answer was No: the run goes on
            progress.SetProgress(100);
            progress.SetCaption("Done");
        };
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->CancelRunQuestions, 1);
        QVERIFY(m_form->isVisible());
        QCOMPARE(Find<QGroupBox>("gpb")->title(), QString("Done"));

        bool reachedEnd = false;
        m_run->Body = [&](const book::TBookSettings&, book::IBookProgress& progress) {
            progress.SetProgress(10);
            QVERIFY(!m_form->close()); // Yes: the close waits for the run to stop
            progress.SetProgress(20);
            reachedEnd = true;
        };
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_desktop->CancelRunQuestions, 2);
        QVERIFY(!reachedEnd);
        QVERIFY(!m_form->isVisible());
    }

    // When nothing can open the book, its folder or the web site, the path is shown.
    void openFailuresShowThePath()
    {
        m_desktop->OpenWorks = false;
        for (const char* button : {"Button1", "Button2"}) {
            Tfrmwc dialog(*m_desktop);
            QTimer::singleShot(0, &dialog,
                               [&] { dialog.findChild<QPushButton*>(button)->click(); });
            dialog.ShowFor("/books/my book.pdf");
            QVERIFY(dialog.isHidden());
        }
        QCOMPARE(m_desktop->OpenFailures,
                 (QStringList{"The book|/books/my book.pdf", "The book's folder|/books"}));
        MakeForm();
        Find<QPushButton>("Button4")->click();
        QCOMPARE(m_desktop->OpenFailures.last(),
                 QString("The web site|https://www.velmora.example/"));
        const QString text = OpenFailureText("The book", "/books/my book.pdf");
        QVERIFY(text.contains("/books/my book.pdf") && text.contains("could not be opened"));

        m_desktop->OpenWorks = true;
        m_desktop->OpenFailures.clear();
        Find<QPushButton>("Button4")->click();
        QVERIFY(m_desktop->OpenFailures.isEmpty());
    }

    // The completion dialog names the file, its pages and paper, the publisher of a
    // print-ready book and the cover made with it.
    void completionDetails()
    {
        book::TBookFacts facts;
        facts.Pages = 26;
        facts.Paper = "6x9";
        facts.PageWidth = 6;
        facts.PageHeight = 9;
        book::TBookSettings settings;
        QCOMPARE(CompletionDetails("/books/b.pdf", facts, settings),
                 QString("/books/b.pdf\n26 pages, 6x9 (6 x 9 in)"));
        facts.PrintReady = true;
        settings.Publisher = "Quill House";
        settings.Website = "quill.example";
        settings.Isbn = "978-0-306-40615-7";
        facts.CoverPath = "/books/b-cover.pdf";
        facts.CoverSummary = "12.6 x 9.25 in, spine 0.06 in";
        QCOMPARE(CompletionDetails("/books/b.pdf", facts, settings),
                 QString("/books/b.pdf\n26 pages, 6x9 (6 x 9 in)\n"
                         "Print-ready: Quill House, quill.example, ISBN 978-0-306-40615-7\n"
                         "Cover: /books/b-cover.pdf\n12.6 x 9.25 in, spine 0.06 in"));
        facts.Pages = 1;
        settings = {};
        facts.CoverPath.clear();
        QVERIFY(CompletionDetails("/b.pdf", facts, settings)
                    .endsWith("1 page, 6x9 (6 x 9 in)\nPrint-ready, no publisher named"));

        // Through a run: the dialog shows them, and grows to hold a long path.
        MakeForm();
        m_run->Facts = facts;
        const QString longName = Docs(QString(60, 'n') + ".pdf");
        m_desktop->SaveAnswers << longName;
        QString shown;
        int width = 0;
        QTimer::singleShot(50, this, [&] {
            shown = m_form->CompletionDialog().Details();
            width = m_form->CompletionDialog().width();
            m_form->CompletionDialog().findChild<QPushButton*>("Button3")->click();
        });
        Find<QPushButton>("BitBtn2")->click();
        QVERIFY2(shown.startsWith(longName + "\n1 page, 6x9"), qPrintable(shown));
        QVERIFY(width > 299);
    }

    // The volume box offers the volumes of the window's level, and a level with fewer volumes
    // brings the chosen one within them.
    void volumeFollowsTheLevel()
    {
        MakeForm();
        for (int level : {0, 2, 5}) {
            Find<QRadioButton>(qPrintable(QString("ndgroup_%1").arg(level)))->click();
            const int volumes = puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), level);
            UseBookSetup(
                [&](TBookSetupDialog& dialog) {
                    auto* spin = dialog.findChild<QSpinBox*>("VolumeSpin");
                    QCOMPARE(spin->maximum(), volumes);
                    QVERIFY2(dialog.findChild<QLabel*>("VolumeLimitLabel")
                                 ->text()
                                 .endsWith(QString("offers %1 volumes").arg(volumes)),
                             qPrintable(dialog.findChild<QLabel*>("VolumeLimitLabel")->text()));
                    spin->setValue(volumes + 5);
                    QCOMPARE(spin->value(), volumes);
                },
                "OkButton");
            QCOMPARE(m_form->Settings().Volume, volumes);
        }
        int fewest = 0;
        for (int level = 1; level < 6; ++level)
            if (puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), level) <
                puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), fewest))
                fewest = level;
        int most = 0;
        for (int level = 1; level < 6; ++level)
            if (puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), level) >
                puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), most))
                most = level;
        Find<QRadioButton>(qPrintable(QString("ndgroup_%1").arg(most)))->click();
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                auto* spin = dialog.findChild<QSpinBox*>("VolumeSpin");
                spin->setValue(spin->maximum());
            },
            "OkButton");
        Find<QRadioButton>(qPrintable(QString("ndgroup_%1").arg(fewest)))->click();
        QCOMPARE(m_form->Settings().Volume,
                 puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), fewest));
    }

    // "Hard Sudoku Vol. 3" is a name, not a suffix: the book gets ".pdf".
    void nameWithAbbreviationGetsPdf()
    {
        MakeForm();
        m_desktop->SaveAnswers << Docs("Hard Sudoku Vol. 3");
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(QString::fromStdString(m_run->Settings.at(0).PdfPath),
                 Docs("Hard Sudoku Vol. 3.pdf"));
        QCOMPARE(WithDefaultSuffix("/d/Hard Sudoku Vol. 3"), QString("/d/Hard Sudoku Vol. 3.pdf"));
    }

    void screenshots()
    {
        MakeForm();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        SaveScreenshot(*m_form, "main-window");

        Find<QCheckBox>("cbk_candidates")->click();
        m_desktop->SaveAnswers << Docs("shot.pdf");
        bool shot = false;
        m_run->Body = [&](const book::TBookSettings& settings, book::IBookProgress& progress) {
            progress.SetProgress(37);
            progress.Repaint();
            SaveScreenshot(*m_form, "main-window-running");
            progress.SetProgress(100);
            progress.SetCaption("Done");
            QTimer::singleShot(50, [&] {
                SaveScreenshot(m_form->CompletionDialog(), "completion-dialog");
                shot = true;
                m_form->CompletionDialog().findChild<QPushButton*>("Button3")->click();
            });
            progress.Completed(settings.PdfPath);
        };
        Find<QPushButton>("BitBtn2")->click();
        QVERIFY(shot);
        SaveScreenshot(*m_form, "main-window-done");
        Find<QRadioButton>("manygroup_1")->click();
        SaveScreenshot(*m_form, "main-window-two-per-page");
        Find<QRadioButton>("manygroup_2")->click();
        SaveScreenshot(*m_form, "main-window-four-per-page");
    }

    // Two books in a row through the real book maker: each PDF has its book's page count, and
    // the second run replaces the page-stream file of the first.
    void realBooks()
    {
        const QString stream = Docs("stream.pgs");
        MakeRealForm();
        const struct
        {
            int Pages;
            int PerPageItem;
            const char* File;
            int PdfPages;
        } books[] = {{1, 0, "one", 2}, {7, 1, "two", 11}};
        qint64 streamSize = 0;
        for (const auto& book : books) {
            Find<QRadioButton>(qPrintable(QString("manygroup_%1").arg(book.PerPageItem)))->click();
            SetPageCount(QString::number(book.Pages));
            m_desktop->SaveAnswers << Docs(book.File);
            m_desktop->Opened.clear();
            AnswerCompletionDialog("Button1");
            Find<QPushButton>("BitBtn2")->click();

            const QString pdf = Docs(book.File) + ".pdf";
            QVERIFY2(m_desktop->Errors.isEmpty(), qPrintable(m_desktop->Errors.join("; ")));
            QCOMPARE(m_desktop->Opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
            QCOMPARE(Find<QProgressBar>("pb")->value(), 100);
            QCOMPARE(Find<QGroupBox>("gpb")->title(), QString("Done"));
            QVERIFY(QFileInfo(stream).size() > streamSize); // the longer book's stream
            streamSize = QFileInfo(stream).size();

            QProcess pdfinfo;
            pdfinfo.start(GQ_PDFINFO, {pdf});
            QVERIFY(pdfinfo.waitForFinished(30000));
            const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
            const auto match = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
            QVERIFY2(match.hasMatch(), qPrintable(info));
            QCOMPARE(match.captured(1).toInt(), book.PdfPages);
        }
    }
    // "Book Setup..." sits clear of every other control, starts with today's defaults, and its
    // dialog's choices reach the settings of the next book; refusals keep the dialog open.
    void bookSetup()
    {
        MakeForm();
        const QRect button = Find<QWidget>("BookSetupButton")->geometry();
        for (QWidget* other : m_form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other->objectName() != "BookSetupButton" && other->isVisible() &&
                !other->objectName().startsWith("Image"))
                QVERIFY2(!other->geometry().intersects(button), qPrintable(other->objectName()));
        const book::TBookSettings start = m_form->Settings();
        QCOMPARE(start.Paper, std::string("letter"));
        QVERIFY(!start.PrintReady && !start.PdfX && start.Title.empty() && start.Volume == 0);
        QVERIFY(start.Publisher.empty() && start.Website.empty() && start.Edition.empty() &&
                start.Isbn.empty());
        QVERIFY(!start.BoldGivens && !start.LargePrint && !start.IsPrintReady());

        QString refusal;
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                QCOMPARE(dialog.findChild<QComboBox*>("PaperBox")->currentData().toString(),
                         QString("letter"));
                QCOMPARE(dialog.findChild<QSpinBox*>("VolumeSpin")->text(), QString("None"));
                dialog.findChild<QLineEdit*>("TitleEdit")
                    ->setText(QString::fromUtf8("Sudoku 日本"));
                dialog.findChild<QPushButton*>("OkButton")->click();
                refusal = dialog.ErrorText();
                QVERIFY(dialog.isVisible());
                auto* paper = dialog.findChild<QComboBox*>("PaperBox");
                paper->setCurrentIndex(paper->findData("6x9"));
                dialog.findChild<QCheckBox*>("PdfxBox")->click();
                QVERIFY(dialog.findChild<QCheckBox*>("PrintReadyBox")->isChecked());
                QVERIFY(!dialog.findChild<QCheckBox*>("PrintReadyBox")->isEnabled());
                dialog.findChild<QLineEdit*>("TitleEdit")
                    ->setText(QString::fromUtf8("Café Sudoku"));
                dialog.findChild<QLineEdit*>("AuthorEdit")->setText("A. Writer");
                dialog.findChild<QSpinBox*>("VolumeSpin")->setValue(3);
                SaveScreenshot(dialog, "book-setup-dialog");
            },
            "OkButton");
        QVERIFY2(refusal.contains("U+65E5"), qPrintable(refusal));
        book::TBookSettings chosen = m_form->Settings();
        QCOMPARE(chosen.Paper, std::string("6x9"));
        QVERIFY(chosen.PrintReady && chosen.PdfX);
        QCOMPARE(chosen.Title, std::string("Caf\xC3\xA9 Sudoku"));
        QCOMPARE(chosen.Author, std::string("A. Writer"));
        QCOMPARE(chosen.Volume, 3);

        // Cancel keeps what was chosen before; the dialog reopens on it.
        UseBookSetup(
            [](TBookSetupDialog& dialog) {
                QCOMPARE(dialog.findChild<QComboBox*>("PaperBox")->currentData().toString(),
                         QString("6x9"));
                auto* paper = dialog.findChild<QComboBox*>("PaperBox");
                paper->setCurrentIndex(paper->findData("a4"));
            },
            "CancelButton");
        QCOMPARE(m_form->Settings().Paper, std::string("6x9"));
    }

    // A print-ready 6 x 9 book made through the window and the real book maker.
    void printReadyRealBook()
    {
        MakeRealForm();
        ChoosePrintReady6x9("Window Puzzles");
        SetPageCount("5");
        m_desktop->SaveAnswers << Docs("ready");
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        QVERIFY2(m_desktop->Errors.isEmpty(), qPrintable(m_desktop->Errors.join("; ")));
        QProcess pdfinfo;
        pdfinfo.start(GQ_PDFINFO, {Docs("ready.pdf")});
        QVERIFY(pdfinfo.waitForFinished(30000));
        const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        QVERIFY2(info.contains(QRegularExpression(R"(Pages:\s+24\n)")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(R"(Page size:\s+432 x 648 pts)")),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(R"(Title:\s+Window Puzzles)")), qPrintable(info));
        SaveScreenshot(*m_form, "main-window-print-ready-done");
    }

    // The publisher's fields and the two boxes: enabled only for a print-ready book, applied
    // only to one, blank texts taken as none.
    void bookSetupPublisherFields()
    {
        MakeForm();
        const char* const printReadyOnly[] = {"BoldGivensBox", "PublisherEdit", "WebsiteEdit",
                                              "EditionEdit", "IsbnEdit"};
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                for (const char* name : printReadyOnly)
                    QVERIFY2(!dialog.findChild<QWidget*>(name)->isEnabled(), name);
                QVERIFY(dialog.findChild<QCheckBox*>("LargePrintBox")->isEnabled());
                QVERIFY(!dialog.findChild<QCheckBox*>("LargePrintBox")->isChecked());
                dialog.findChild<QCheckBox*>("PrintReadyBox")->click();
                for (const char* name : printReadyOnly)
                    QVERIFY2(dialog.findChild<QWidget*>(name)->isEnabled(), name);
                dialog.findChild<QCheckBox*>("BoldGivensBox")->click();
                dialog.findChild<QLineEdit*>("PublisherEdit")
                    ->setText(QString::fromUtf8("  Éditions Quill "));
                dialog.findChild<QLineEdit*>("WebsiteEdit")->setText("   ");
                dialog.findChild<QLineEdit*>("EditionEdit")->setText("First edition");
                dialog.findChild<QLineEdit*>("IsbnEdit")->setText("978-0-306-40615-7");
                SaveScreenshot(dialog, "book-setup-dialog-publisher");
            },
            "OkButton");
        const book::TBookSettings chosen = m_form->Settings();
        QVERIFY(chosen.PrintReady && chosen.BoldGivens && !chosen.LargePrint);
        QCOMPARE(chosen.Publisher, std::string("\xC3\x89"
                                               "ditions Quill"));
        QCOMPARE(chosen.Website, std::string());
        QCOMPARE(chosen.Edition, std::string("First edition"));
        QCOMPARE(chosen.Isbn, std::string("978-0-306-40615-7"));

        // Print-ready cleared: the fields lock and keep their texts, and a plain book gets none
        // of them (even an ISBN that would be refused).
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                QCOMPARE(dialog.findChild<QLineEdit*>("EditionEdit")->text(),
                         QString("First edition"));
                dialog.findChild<QLineEdit*>("IsbnEdit")->setText("12345");
                dialog.findChild<QCheckBox*>("PrintReadyBox")->click();
                for (const char* name : printReadyOnly)
                    QVERIFY2(!dialog.findChild<QWidget*>(name)->isEnabled(), name);
            },
            "OkButton");
        const book::TBookSettings plain = m_form->Settings();
        QVERIFY(!plain.IsPrintReady() && !plain.BoldGivens);
        QVERIFY(plain.Publisher.empty() && plain.Edition.empty() && plain.Isbn.empty());
        QCOMPARE(m_form->BookSetup().Isbn, QString("12345"));
        QCOMPARE(m_form->BookSetup().Edition, QString("First edition"));
    }

    // OK with a text the book refuses shows the book code's own message, focuses the field and
    // keeps the dialog open with everything typed; the first refused field in the form wins.
    void bookSetupRefusals_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("message");
        const QString badIsbn = "978-0-306-40615-8";
        QTest::newRow("ISBN check digit")
            << QStringList{"IsbnEdit"} << QStringList{badIsbn} << "IsbnEdit"
            << "The ISBN \"978-0-306-40615-8\" has the check digit 8 where its other digits call "
               "for 7: a digit is mistyped.";
        QTest::newRow("ISBN letter")
            << QStringList{"IsbnEdit"} << QStringList{"978-0-3O6-40615-7"} << "IsbnEdit"
            << "The ISBN \"978-0-3O6-40615-7\" holds 'O'";
        QTest::newRow("ISBN length")
            << QStringList{"IsbnEdit"} << QStringList{"978-0-306"} << "IsbnEdit"
            << "The ISBN \"978-0-306\" has 7 digits";
        QTest::newRow("publisher unprintable")
            << QStringList{"PublisherEdit"} << QStringList{QString::fromUtf8("出版社")}
            << "PublisherEdit"
            << "The publisher holds the character";
        QTest::newRow("website too long")
            << QStringList{"WebsiteEdit"} << QStringList{QString(81, QLatin1Char('w'))}
            << "WebsiteEdit"
            << "The website is longer than 80 characters.";
        QTest::newRow("edition unprintable")
            << QStringList{"EditionEdit"} << QStringList{QString::fromUtf8("第二版")}
            << "EditionEdit"
            << "The edition holds the character";
        QTest::newRow("publisher before ISBN")
            << QStringList{"IsbnEdit", "PublisherEdit"}
            << QStringList{badIsbn, QString::fromUtf8("出版社")} << "PublisherEdit"
            << "The publisher";
        QTest::newRow("title before edition")
            << QStringList{"EditionEdit", "TitleEdit"}
            << QStringList{QString::fromUtf8("第二版"), QString::fromUtf8("数独")} << "TitleEdit"
            << "The title";
    }

    void bookSetupRefusals()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, texts);
        QFETCH(QString, focused);
        QFETCH(QString, message);
        MakeForm();
        bool stayedOpen = false;
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                dialog.findChild<QCheckBox*>("PrintReadyBox")->click();
                dialog.findChild<QLineEdit*>("AuthorEdit")->setText("Kept Author");
                dialog.findChild<QLineEdit*>("WebsiteEdit")->setText("quill.example");
                for (int i = 0; i < fields.size(); ++i)
                    dialog.findChild<QLineEdit*>(qPrintable(fields[i]))->setText(texts[i]);
                dialog.findChild<QPushButton*>("OkButton")->click();
                stayedOpen = dialog.isVisible();
                QVERIFY2(dialog.ErrorText().startsWith(message), qPrintable(dialog.ErrorText()));
                QCOMPARE(dialog.focusWidget()->objectName(), focused);
                // Nothing typed is lost.
                QCOMPARE(dialog.findChild<QLineEdit*>("AuthorEdit")->text(),
                         QString("Kept Author"));
                for (int i = 0; i < fields.size(); ++i)
                    QCOMPARE(dialog.findChild<QLineEdit*>(qPrintable(fields[i]))->text(), texts[i]);
                // Once every refused field is put right, OK goes through.
                for (const QString& name : fields)
                    dialog.findChild<QLineEdit*>(qPrintable(name))
                        ->setText(name == "IsbnEdit" ? "978-0-306-40615-7" : "Fixed");
            },
            "OkButton");
        QVERIFY(stayedOpen);
        const book::TBookSettings chosen = m_form->Settings();
        QCOMPARE(chosen.Author, std::string("Kept Author"));
        if (fields.contains("IsbnEdit"))
            QCOMPARE(chosen.Isbn, std::string("978-0-306-40615-7"));
        if (fields.contains("PublisherEdit"))
            QCOMPARE(chosen.Publisher, std::string("Fixed"));
        QCOMPARE(chosen.Website,
                 std::string(fields.contains("WebsiteEdit") ? "Fixed" : "quill.example"));
    }

    // Large print holds the window at one puzzle per page without candidates; leaving it gives
    // the user's choices back, pictures included.
    void largePrint_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("perPageItem");
        QTest::addColumn<bool>("candidates");
        QTest::addColumn<QString>("picture");
        QTest::newRow("one with candidates") << QStringList{"box"} << 0 << true << "Imagea1c";
        QTest::newRow("one, plain") << QStringList{} << 0 << false << "Image1";
        QTest::newRow("four per page") << QStringList{"4"} << 2 << false << "Image4";
        QTest::newRow("two per page") << QStringList{"2"} << 1 << false << "Image2";
    }

    void largePrint()
    {
        QFETCH(QStringList, before);
        QFETCH(int, perPageItem);
        QFETCH(bool, candidates);
        QFETCH(QString, picture);
        MakeForm();
        for (const QString& step : before)
            if (step == "box")
                Find<QCheckBox>("cbk_candidates")->click();
            else
                Find<QRadioButton>(step == "2" ? "manygroup_1" : "manygroup_2")->click();

        const auto setLargePrint = [this](bool on) {
            UseBookSetup(
                [on](TBookSetupDialog& dialog) {
                    auto* box = dialog.findChild<QCheckBox*>("LargePrintBox");
                    if (box->isChecked() != on)
                        box->click();
                    auto* printReady = dialog.findChild<QCheckBox*>("PrintReadyBox");
                    QVERIFY(!on || (printReady->isChecked() && !printReady->isEnabled()));
                },
                "OkButton");
        };
        setLargePrint(true);
        book::TBookSettings settings = m_form->Settings();
        QVERIFY(settings.LargePrint && settings.IsPrintReady());
        QCOMPARE(settings.PuzzlesPerPage, 1);
        QVERIFY(!settings.Candidates);
        QVERIFY(!Find<QGroupBox>("manygroup")->isEnabled());
        QVERIFY(!Find<QCheckBox>("cbk_candidates")->isEnabled());
        QVERIFY(!Find<QGroupBox>("manygroup")->toolTip().isEmpty());
        for (const char* name : {"Image1", "Image2", "Image4", "Imagea1c"})
            QCOMPARE(!Find<QLabel>(name)->isHidden(), QString(name) == "Image1");

        // A run gives the locked controls back locked.
        m_desktop->SaveAnswers << Docs("large.pdf");
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        QCOMPARE(m_run->Settings.at(0).PuzzlesPerPage, 1);
        QVERIFY(m_run->Settings.at(0).LargePrint);
        QVERIFY(!Find<QGroupBox>("manygroup")->isEnabled());
        QVERIFY(!Find<QCheckBox>("cbk_candidates")->isEnabled());

        // Accepting the dialog again with large print still on changes nothing.
        setLargePrint(true);
        setLargePrint(false);
        settings = m_form->Settings();
        QVERIFY(!settings.LargePrint);
        QVERIFY(settings.PrintReady); // the print-ready box large print ticked stays ticked
        QCOMPARE(settings.PuzzlesPerPage, book::kPuzzlesPerPageChoices[perPageItem]);
        QCOMPARE(settings.Candidates, candidates);
        QVERIFY(Find<QGroupBox>("manygroup")->isEnabled());
        QCOMPARE(Find<QCheckBox>("cbk_candidates")->isEnabled(), perPageItem == 0);
        QVERIFY(Find<QGroupBox>("manygroup")->toolTip().isEmpty());
        for (const char* name : {"Image1", "Image2", "Image4", "Imagea1c"})
            QCOMPARE(!Find<QLabel>(name)->isHidden(), picture == name);
    }

    // The warning line grows the completion dialog below its buttons and goes again for a book
    // without one.
    void completionDialogWarning()
    {
        Tfrmwc dialog(*m_desktop);
        book::TBookFacts facts;
        facts.PrintReady = true;
        facts.GridInches = 2.45;
        const QString warning = QString::fromStdString(book::SmallGridWarning(facts));
        QVERIFY(warning.contains("2.45"));
        QSize warnedSize;
        QTimer::singleShot(0, &dialog, [&] {
            warnedSize = dialog.size();
            SaveScreenshot(dialog, "completion-dialog-warning");
            dialog.findChild<QPushButton*>("Button3")->click();
        });
        dialog.ShowFor("/books/small.pdf", warning);
        const auto* label = dialog.findChild<QLabel*>("WarningLabel");
        QCOMPARE(dialog.Warning(), "Warning: " + warning + ".");
        QCOMPARE(warnedSize.width(), 299);
        QVERIFY(label->geometry().top() >=
                dialog.findChild<QWidget*>("Button3")->geometry().bottom());
        QVERIFY(label->geometry().bottom() < warnedSize.height());
        QVERIFY(QRect(QPoint(), warnedSize).contains(label->geometry()));

        QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("Button3")->click(); });
        dialog.ShowFor("/books/large.pdf");
        QVERIFY(dialog.Warning().isEmpty());
        QCOMPARE(dialog.size(), QSize(299, 108));
    }

    // Through the real book maker: a 6 x 9 print-ready book of four puzzles a page has grids
    // under 3 in and the completion dialog says so; one puzzle a page does not.
    void smallGridWarningAfterRealBook_data()
    {
        QTest::addColumn<int>("perPageItem");
        QTest::addColumn<bool>("warned");
        QTest::newRow("four per page") << 2 << true;
        QTest::newRow("one per page") << 0 << false;
    }

    void smallGridWarningAfterRealBook()
    {
        QFETCH(int, perPageItem);
        QFETCH(bool, warned);
        MakeRealForm();
        ChoosePrintReady6x9();
        Find<QRadioButton>(qPrintable(QString("manygroup_%1").arg(perPageItem)))->click();
        SetPageCount("2");
        m_desktop->SaveAnswers << Docs("grid");
        m_seenWarning = "not shown";
        AnswerCompletionDialog("Button3");
        Find<QPushButton>("BitBtn2")->click();
        QVERIFY2(m_desktop->Errors.isEmpty(), qPrintable(m_desktop->Errors.join("; ")));
        if (warned)
            QVERIFY2(m_seenWarning.startsWith("Warning: the grids are only 2.34 in wide"),
                     qPrintable(m_seenWarning));
        else
            QVERIFY2(m_seenWarning.isEmpty(), qPrintable(m_seenWarning));
    }

    // "Open Plan..." fills the dialog and, on OK, the window; a bad plan is shown in a box and
    // changes nothing; Cancel after opening changes nothing either.
    void bookSetupOpensPlans()
    {
        MakeForm();
        WriteFile(Docs("bad.toml"), "title = \"Road\"\nlevel = \"hardest\"\n");
        WriteFile(Docs("four.toml"), "title = \"Four Roads\"\npaper = \"6x9\"\n"
                                     "answers-per-page = 6\nper-page = 2\n"
                                     "[[section]]\nlevel = \"easy\"\npuzzles = 60\n"
                                     "[[section]]\nlevel = \"expert\"\npuzzles = 20\n");
        WriteFile(Docs("one.toml"), "level = \"hard\"\npages = 7\nper-page = 2\n");
        m_desktop->PlanAnswers << Docs("bad.toml") << Docs("one.toml");
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                dialog.findChild<QPushButton*>("OpenPlanButton")->click();
                QCOMPARE(m_desktop->Errors.size(), 1);
                QVERIFY2(m_desktop->Errors[0].startsWith(Docs("bad.toml") + ":2:9: level: "),
                         qPrintable(m_desktop->Errors[0]));
                QCOMPARE(dialog.findChild<QLineEdit*>("TitleEdit")->text(), QString());
                dialog.findChild<QPushButton*>("OpenPlanButton")->click(); // one.toml
            },
            "CancelButton");
        QCOMPARE(m_form->Settings(), book::TBookSettings{}); // still the defaults

        m_desktop->PlanAnswers << Docs("one.toml");
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                dialog.findChild<QPushButton*>("OpenPlanButton")->click();
            },
            "OkButton");
        book::TBookSettings one = m_form->Settings();
        QCOMPARE(one.LevelIndex, 3);
        QCOMPARE(one.PageCount, 7);
        QCOMPARE(one.PuzzlesPerPage, 2);
        QVERIFY(Find<QGroupBox>("ndgroup")->isEnabled());

        m_desktop->PlanAnswers << Docs("four.toml");
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                dialog.findChild<QPushButton*>("OpenPlanButton")->click();
                const auto* table = dialog.findChild<QTableWidget*>("SectionsTable");
                QCOMPARE(table->rowCount(), 2);
                QCOMPARE(static_cast<QSpinBox*>(table->cellWidget(1, 1))->value(), 20);
                QCOMPARE(dialog.findChild<QComboBox*>("AnswersBox")->currentText(), "6");
                QVERIFY(dialog.findChild<QCheckBox*>("PrintReadyBox")->isChecked());
                QVERIFY(!dialog.findChild<QCheckBox*>("PrintReadyBox")->isEnabled());
            },
            "OkButton");
        const book::TBookSettings four = m_form->Settings();
        QCOMPARE(four.Sections, (std::vector<book::TSection>{{1, 60}, {4, 20}}));
        QCOMPARE(four.AnswersPerPage, 6);
        QCOMPARE(four.Title, std::string("Four Roads"));
        QCOMPARE(four.Paper, std::string("6x9"));
        QVERIFY(four.IsPrintReady());
        // The sections set the levels and the puzzles: the window's own controls step aside.
        QVERIFY(!Find<QGroupBox>("ndgroup")->isEnabled());
        QVERIFY(!Find<QGroupBox>("GroupBox1")->isEnabled());
        QVERIFY(!Find<QGroupBox>("GroupBox1")->toolTip().isEmpty());
    }

    // The sections table: rows added with a level not used yet, refused as the book code
    // refuses them (on OK and on "Save Plan..."), and a saved plan reads back as the book.
    void bookSetupSectionsAndSavedPlans()
    {
        MakeForm();
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                auto* table = dialog.findChild<QTableWidget*>("SectionsTable");
                dialog.findChild<QPushButton*>("AddSectionButton")->click();
                dialog.findChild<QPushButton*>("AddSectionButton")->click();
                QCOMPARE(static_cast<QComboBox*>(table->cellWidget(1, 0))->currentIndex(), 1);
                // A level given twice is refused with the book code's message.
                static_cast<QComboBox*>(table->cellWidget(1, 0))->setCurrentIndex(0);
                m_desktop->PlanAnswers << Docs("refused.toml");
                dialog.findChild<QPushButton*>("SavePlanButton")->click();
                QCOMPARE(m_desktop->Errors.size(), 1);
                QVERIFY2(m_desktop->Errors[0].contains("two sections"),
                         qPrintable(m_desktop->Errors[0]));
                QVERIFY(m_desktop->PlanAsks.isEmpty()); // refused before asking for a file
                QVERIFY(!QFile::exists(Docs("refused.toml")));
                dialog.OkClick();
                QVERIFY(dialog.isVisible());
                QVERIFY2(dialog.ErrorText().contains("two sections"),
                         qPrintable(dialog.ErrorText()));
                // Put right, the plan is saved.
                static_cast<QComboBox*>(table->cellWidget(1, 0))->setCurrentIndex(5);
                static_cast<QSpinBox*>(table->cellWidget(1, 1))->setValue(3);
                dialog.findChild<QLineEdit*>("TitleEdit")->setText("Mixed \"Bag\"");
                m_desktop->PlanAnswers.clear();
                m_desktop->PlanAnswers << Docs("saved.toml");
                dialog.findChild<QPushButton*>("SavePlanButton")->click();
                QCOMPARE(m_desktop->Errors.size(), 1);
                // Remove drops the chosen row.
                dialog.findChild<QPushButton*>("AddSectionButton")->click();
                QCOMPARE(table->rowCount(), 3);
                dialog.findChild<QPushButton*>("RemoveSectionButton")->click();
                QCOMPARE(table->rowCount(), 2);
            },
            "OkButton");
        const book::TBookSettings settings = m_form->Settings();
        QCOMPARE(settings.Sections, (std::vector<book::TSection>{{0, 10}, {5, 3}}));
        const book::TPlanFile saved =
            book::ReadPlanFile(QFile::encodeName(Docs("saved.toml")).toStdString());
        QCOMPARE(saved.Settings, settings);
        QVERIFY(!saved.Seed && !saved.Output);

        // A plan that cannot be written is said so, naming the file.
        m_desktop->PlanAnswers << Docs("no/such/folder/plan.toml");
        UseBookSetup(
            [&](TBookSetupDialog& dialog) {
                dialog.findChild<QPushButton*>("SavePlanButton")->click();
            },
            "CancelButton");
        QCOMPARE(m_desktop->Errors.size(), 2);
        QVERIFY2(m_desktop->Errors[1].contains("no/such/folder/plan.toml"),
                 qPrintable(m_desktop->Errors[1]));
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ApplyLook(application);
    TDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopTest.moc"
