// The help page names menus, settings and buttons in <b class="ui">: each name must be one the program
// shows in the language of the page's section, and every menu item must be named, so that the page
// describes the program as it is.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <regex>
#include <set>

#include "QuarnTestFolder.h"
#include "loco/locosetupunit.h"
#include "texts/langunit.h"
#include "ui/setupunit.h"

namespace {

std::string plain(QString text) {
    return text.remove('&').simplified().toStdString();
}

// The captions of the windows in the language last applied, and the texts of that language's table.
std::set<std::string> shownTexts(int langId, const std::vector<QWidget*>& windows) {
    std::set<std::string> texts;
    auto add = [&](const QString& text) { texts.insert(plain(text)); };
    for (int nr = 0; nr < NUMSTRINGS; ++nr)
        add(QString::fromStdString(Lang->getmessage(nr, langId)));
    for (QWidget* window : windows) {
        add(window->windowTitle());
        for (QAction* a : window->findChildren<QAction*>())
            add(a->text());
        for (QLabel* l : window->findChildren<QLabel*>())
            add(l->text());
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            add(b->text());
        for (QGroupBox* g : window->findChildren<QGroupBox*>())
            add(g->title());
        for (QTabWidget* t : window->findChildren<QTabWidget*>())
            for (int i = 0; i < t->count(); ++i)
                add(t->tabText(i));
        for (QComboBox* c : window->findChildren<QComboBox*>())
            for (int i = 0; i < c->count(); ++i)
                add(c->itemText(i));
    }
    return texts;
}

class HelpPageTest : public QuarnTestFolder {};

TEST_F(HelpPageTest, EverySectionNamesEveryMenuItemAndOnlyWhatTheProgramShows) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    const std::string page = readFileBytes(std::string(QUARN_RUNTIME_DIR) + "/Hilfe/QUARN.html");
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (const auto& [section, langId] : {std::pair{"en", LANGENGLISH}, std::pair{"de", LANGDEUTSCH}}) {
        SCOPED_TRACE(section);
        const std::string open = std::string("<section id=\"") + section + "\" lang=\"" + section + "\">";
        const size_t from = page.find(open);
        ASSERT_NE(from, std::string::npos);
        const std::string text = page.substr(from, page.find("</section>", from) - from);

        std::set<std::string> named;
        const std::regex quoted("<b class=\"ui\">([^<]*)</b>");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), quoted); it != std::sregex_iterator();
             ++it)
            named.insert(plain(QString::fromStdString((*it)[1].str())));

        Lang->setup(langId);
        const std::set<std::string> shown = shownTexts(langId, {window, SetupForm, LocoForm});
        for (const std::string& name : named)
            EXPECT_TRUE(shown.count(name))
                << "the page names \"" << name << "\", which the program does not show";
        for (QAction* menu : window->menuBar()->actions()) {
            if (!menu->isVisible())
                continue;
            EXPECT_TRUE(named.count(plain(menu->text()))) << "menu " << plain(menu->text());
            for (QAction* item : menu->menu()->actions())
                EXPECT_TRUE(!item->isVisible() || named.count(plain(item->text())))
                    << "menu item " << plain(item->text());
        }
    }
}

} // namespace
