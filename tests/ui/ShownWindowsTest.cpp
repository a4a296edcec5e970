// The windows as the user sees them: every caption fits its control in every language and mode, and
// Enter in a field of a dialog neither saves nor closes it.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "PlanEditorFixture.h"
#include "engine/lokunit.h"
#include "loco/locosetupunit.h"
#include "ui/Assistunit.h"
#include "ui/Infounit.h"
#include "ui/Uhrunit.h"
#include "ui/setupunit.h"
#include "ui/timsetupunit.h"

namespace {

// What a control needs to show its caption: the advance of the text it displays (a button hides
// its accelerator marks) and the margins around it.
int neededWidth(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QMargins margins = label->contentsMargins();
        return label->fontMetrics().horizontalAdvance(label->text()) + margins.left() + margins.right() +
               2 * label->margin();
    }
    const auto* button = qobject_cast<const QPushButton*>(control);
    QString shown = button->text();
    shown.replace("&&", QChar(1)).remove('&').replace(QChar(1), '&');
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle* style = button->style();
    return button->fontMetrics().horizontalAdvance(shown) +
           2 * style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
}

// Every visible label and push button with a caption. The status bar's panels keep the widths the
// window gives them and clip, as status bars do.
void expectCaptionsFit(QWidget* window) {
    QApplication::processEvents();
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(control);
        const auto* button = qobject_cast<QPushButton*>(control);
        const QString text = label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || !control->isVisible() || control->parentWidget()->inherits("QStatusBar"))
            continue;
        EXPECT_GE(control->width(), neededWidth(control))
            << window->objectName().toStdString() << "." << control->objectName().toStdString() << " \""
            << text.toStdString() << "\"";
    }
}

class ShownWindowsTest : public PlanEditorTest {};

TEST_F(ShownWindowsTest, EveryCaptionFitsInEveryLanguageAndMode) {
    // Routes last: its tabs stay up through the other modes of the next language.
    using M = TMainForm;
    const std::function<void(M&)> modes[] = {&M::Gleisbildentwerfen1Click,
                                             &M::DecoderAdressen1Click,
                                             &M::S88modules1Click,
                                             &M::Text1Click,
                                             &M::Betrieb1Click,
                                             &M::Softregler1Click,
                                             &M::Fahrstrassen1Click};
    // Show is a debugging button, shown while the window debugs.
    LocoForm->Zeigen_button->show();
    for (int language = LANGDEUTSCH; language <= LANGFRENCH; ++language) {
        SCOPED_TRACE("language " + std::to_string(language));
        window->Lang_id = language;
        window->applyLanguage();
        for (std::size_t mode = 0; mode < std::size(modes); ++mode) {
            SCOPED_TRACE("mode " + std::to_string(mode));
            modes[mode](*window);
            expectCaptionsFit(window);
        }
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        expectCaptionsFit(window);
        window->PageControl1->setCurrentWidget(window->TabSheet1);
        for (QDialog* dialog :
             std::initializer_list<QDialog*>{LocoForm, SetupForm, AssistForm, TimeForm, InfoForm}) {
            dialog->show();
            expectCaptionsFit(dialog);
            dialog->hide();
        }
    }
}

TEST_F(ShownWindowsTest, EnterInAFieldLeavesTheDialogOpenAndStoresNothing) {
    Lok->set_addr(0, 3);
    window->Iphostchar = "host";
    const struct {
        QDialog* form;
        std::vector<const char*> fields;
        std::function<void()> open;
        std::function<bool()> untouched; // nothing typed was taken
    } cases[] = {
        {LocoForm,
         {"Adresse_edit", "Beschreibung_edit", "Vmax_edit", "K3CB", "K4CB"},
         [] { LocoForm->setuplok(0); },
         [] { return Lok->get_addr(0) == 3; }},
        {SetupForm,
         {"Edithost", "Editport", "udS88"},
         [this] { window->IPAddrHost1Click(); },
         [this] { return window->Iphostchar == "host"; }},
        {TimeForm,
         {"udHours", "udMin", "udSecs"},
         [this] {
             window->Zeit1->setChecked(true);
             window->Zeit1Click();
         },
         [] { return !UhrForm->isVisible(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form->objectName().toStdString());
        m_dialogs.pushWindow([&c] {
            c.form->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(c.form, PatienceMs));
            for (const char* name : c.fields) {
                QWidget* field = c.form->findChild<QWidget*>(name);
                if (auto* combo = qobject_cast<QComboBox*>(field))
                    field = combo->lineEdit();
                field->setFocus();
                QTest::keyClicks(field, "7");
                QTest::keyClick(field, Qt::Key_Return);
                EXPECT_TRUE(c.form->isVisible()) << name;
            }
            const int result = c.form->isVisible() ? QDialog::Rejected : c.form->result();
            c.form->hide();
            return result;
        });
        c.open();
        EXPECT_TRUE(c.untouched());
    }
}

} // namespace
