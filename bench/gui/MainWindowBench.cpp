// From a loaded tree of a million entries to the first painted main window, and scrolling
// through it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

#include "../TreeGenerator.h"
#include "ModalBoxGuard.h"
#include "core/app/LoginSession.h"
#include "gui/app/MainDialog.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeSearchBar.h"
#include "gui/trees/TreeUndo.h"

#include <QLineEdit>

using namespace brivanta;

namespace {

constexpr int kEntries = 1'000'000;

// Sets a flag when the watched widget has painted.
class PaintWatch : public QObject {
  public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Shape 0: 1000 folders of 999 links each. Shape 1: a million links at the top level.
void fill(BookmarkTree& tree, int shape) {
    BookmarkTree::BulkUpdate bulk(tree);
    NodeRecord link{"https://www.example.com/page", "https://www.example.com/page", ""};
    if (shape == 1) {
        for (int i = 0; i < kEntries; ++i)
            tree.InsertNode(link);
        return;
    }
    for (int f = 0; f < 1000; ++f) {
        ItemId folder = tree.InsertNode({"folder " + std::to_string(f), "", ""});
        for (int i = 0; i < 999; ++i)
            tree.InsertNode(link, folder);
    }
}

UserAccount benchUser() {
    UserAccount account;
    account.name = "bench";
    return account;
}

std::unique_ptr<LoginSession> benchLogin(const QTemporaryDir& home) {
    auto login = std::make_unique<LoginSession>(Storage(home.path().toStdString()));
    login->logIn(benchUser());
    return login;
}

void waitForPaint(QWidget* widget) {
    PaintWatch watch;
    widget->installEventFilter(&watch);
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&watch);
}

void BM_FirstPaintOfMillionEntryTree(benchmark::State& state) {
    QTemporaryDir home;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MainDialog>(benchLogin(home));
        fill(window->customTree(), static_cast<int>(state.range(0)));
        state.ResumeTiming();

        window->start();
        window->show();
        waitForPaint(window->treeView(1000)->viewport());

        state.PauseTiming();
        window->hide();
        window.reset();
        state.ResumeTiming();
    }
    state.SetLabel(state.range(0) == 0 ? "1000 folders x 999 links" : "1,000,000 top-level links");
}
BENCHMARK(BM_FirstPaintOfMillionEntryTree)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_ScrollMillionEntryTree(benchmark::State& state) {
    QTemporaryDir home;
    MainDialog window{benchLogin(home)};
    fill(window.customTree(), 1);
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(1000);
    waitForPaint(view->viewport());
    std::mt19937 random(7);
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(std::uniform_int_distribution<int>(0, bar->maximum())(random));
        view->viewport()->repaint();
    }
    window.hide();
}
BENCHMARK(BM_ScrollMillionEntryTree)->Unit(benchmark::kMicrosecond);

// One keystroke in the search line over the generated million-entry tree (Chinese names,
// depth up to 6), from the key to the painted filtered tree; the argument is the number of
// keys of "xwzx" typed, and only the last one is timed.
void BM_SearchKeystrokeInMillionEntryTree(benchmark::State& state) {
    QTemporaryDir home;
    MainDialog window{benchLogin(home)};
    bench::generateTree(window.customTree(), kEntries, 6);
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(1000);
    waitForPaint(view->viewport());
    QLineEdit* line = window.searchBar()->line();
    const std::string typed = "xwzx";
    auto keys = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        line->clear();
        for (size_t k = 1; k < keys; ++k)
            line->setText(QString::fromStdString(typed.substr(0, k)));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        line->setText(QString::fromStdString(typed.substr(0, keys)));
        waitForPaint(view->viewport());
    }
    state.SetLabel(typed.substr(0, keys));
    line->clear();
    window.hide();
}
BENCHMARK(BM_SearchKeystrokeInMillionEntryTree)
    ->DenseRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// How long a key in the search line keeps the keyboard busy over the generated million-entry
// tree: from setting the text to the line being ready for the next key (events processed),
// the argument the number of keys of "xwzx". A lone first key waits for a second instead of
// searching, so typing on does not stall behind the one-key result.
void BM_SearchKeyHandling(benchmark::State& state) {
    QTemporaryDir home;
    MainDialog window{benchLogin(home)};
    bench::generateTree(window.customTree(), kEntries, 6);
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(1000);
    waitForPaint(view->viewport());
    QLineEdit* line = window.searchBar()->line();
    const std::string typed = "xwzx";
    auto keys = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        line->clear();
        for (size_t k = 1; k < keys; ++k)
            line->setText(QString::fromStdString(typed.substr(0, k)));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        line->setText(QString::fromStdString(typed.substr(0, keys)));
        QCoreApplication::processEvents();
    }
    state.SetLabel(typed.substr(0, keys));
    line->clear();
    window.hide();
}
BENCHMARK(BM_SearchKeyHandling)
    ->DenseRange(1, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Two keys typed 60 ms apart (a steady typist), from the first key to the painted result of
// both: the first key's search is skipped.
void BM_TwoKeysTyped(benchmark::State& state) {
    QTemporaryDir home;
    MainDialog window{benchLogin(home)};
    bench::generateTree(window.customTree(), kEntries, 6);
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(1000);
    waitForPaint(view->viewport());
    QLineEdit* line = window.searchBar()->line();
    for (auto _ : state) {
        state.PauseTiming();
        line->clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        line->setText(QStringLiteral("x"));
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 60)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        line->setText(QStringLiteral("xw"));
        waitForPaint(view->viewport());
    }
    line->clear();
    window.hide();
}
BENCHMARK(BM_TwoKeysTyped)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Undo of deleting an open folder of 100,000 entries from a 300,000-entry custom tree, from
// the command to the painted tree with the folder back in place and open.
void BM_UndoDeleteOfLargeFolder(benchmark::State& state) {
    QTemporaryDir home;
    MainDialog window{benchLogin(home)};
    BookmarkTree& tree = window.customTree();
    bench::generateTree(tree, 100000, 6, 1);
    ItemId folder = tree.InsertNode({"folder", "", ""});
    bench::generateTree(tree, 99999, 6, 2, folder);
    bench::generateTree(tree, 100000, 6, 3);
    tree.setExpanded(folder, true);
    window.start();
    window.show();
    BookmarkTreeView* view = window.treeView(1000);
    waitForPaint(view->viewport());
    TreeUndo* history = window.treeUndo(1000);
    const int row = tree.row(folder);
    for (auto _ : state) {
        state.PauseTiming();
        history->remove(tree.child(kNoItem, row));
        waitForPaint(view->viewport());
        state.ResumeTiming();
        history->undo();
        waitForPaint(view->viewport());
    }
    window.hide();
}
BENCHMARK(BM_UndoDeleteOfLargeFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every window listens on a free port of its own: port 5000 may be taken on this machine.
    if (qEnvironmentVariableIsEmpty("BRIVANTA_LISTEN_PORT"))
        qputenv("BRIVANTA_LISTEN_PORT", "0");
    QApplication app(argc, argv);
    bool unanswered = false;
    test::ModalBoxGuard guard([&unanswered](const QString& said) {
        std::fprintf(stderr, "MainWindowBench: %s\n", said.toLocal8Bit().constData());
        unanswered = true;
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return unanswered ? 1 : 0;
}
