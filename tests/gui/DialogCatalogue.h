#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace brivanta::test {

// Every dialog of the program, built with what it needs, for tests that go over all of them.
namespace DialogCatalogue {

using Factory = std::function<std::unique_ptr<QDialog>()>;

// Once before the first dialog is built (the tree icons, a password store that keeps nothing);
// finish undoes it.
void prepare();
void finish();

// Name and factory of each dialog.
std::vector<std::pair<const char*, Factory>> dialogs();

}  // namespace DialogCatalogue

}  // namespace brivanta::test
