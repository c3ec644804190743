// Opening the quick menu of bookmarks over large trees: the top level, one folder, and one
// level of 10,000 links. A menu counts as open when it has been laid out, shown and painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "core/trees/BookmarkTree.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/TreeMenus.h"

using namespace brivanta;

namespace {

const NodeRecord kLink{"https://www.example.com/page", "https://www.example.com/page", ""};

// 1000 folders of 1000 links each: a million links below a thousand folders.
BookmarkTree& nestedTree() {
    static BookmarkTree tree;
    if (tree.empty()) {
        for (int f = 0; f < 1000; ++f) {
            ItemId folder = tree.InsertNode({"folder " + std::to_string(f), "", ""});
            for (int i = 0; i < 1000; ++i)
                tree.InsertNode(kLink, folder);
        }
    }
    return tree;
}

BookmarkTree& flatTree() {
    static BookmarkTree tree;
    if (tree.empty()) {
        for (int i = 0; i < 10'000; ++i)
            tree.InsertNode(kLink);
    }
    return tree;
}

void open(QMenu& menu) {
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
}

// From the command to the painted top level of the nested tree (1000 folder submenus).
void BM_QuickMenuTopLevel(benchmark::State& state) {
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    BookmarkTree& tree = nestedTree();
    for (auto _ : state) {
        std::unique_ptr<IconMenu> menu(menus.quickMenu(tree, nullptr));
        open(*menu);
        menu->hide();
    }
}
BENCHMARK(BM_QuickMenuTopLevel)->Unit(benchmark::kMillisecond);

// Opening one folder of 1000 links in that menu: filled as it opens.
void BM_QuickMenuFolder(benchmark::State& state) {
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    BookmarkTree& tree = nestedTree();
    std::unique_ptr<IconMenu> menu(menus.quickMenu(tree, nullptr));
    qsizetype next = 0;
    for (auto _ : state) {
        if (next == menu->actions().size()) {
            state.PauseTiming();
            menu.reset(menus.quickMenu(tree, nullptr));
            next = 0;
            state.ResumeTiming();
        }
        // Showing it emits aboutToShow, which fills it.
        QMenu* folder = menu->actions().at(next++)->menu();
        open(*folder);
        folder->hide();
    }
}
BENCHMARK(BM_QuickMenuFolder)->Unit(benchmark::kMillisecond);

// One level of 10,000 links.
void BM_QuickMenuFlat(benchmark::State& state) {
    CommandRegistry commands;
    TreeMenus menus(commands, {});
    BookmarkTree& tree = flatTree();
    for (auto _ : state) {
        std::unique_ptr<IconMenu> menu(menus.quickMenu(tree, nullptr));
        open(*menu);
        menu->hide();
    }
}
BENCHMARK(BM_QuickMenuFlat)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
