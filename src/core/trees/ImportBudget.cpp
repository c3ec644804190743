#include "core/trees/ImportBudget.h"

namespace brivanta {

bool ImportBudget::take(std::size_t textBytes) {
    if (stop_ != Stop::None)
        return false;
    if (entries_ >= maxEntries_) {
        stop_ = Stop::Entries;
        return false;
    }
    const std::uint64_t cost = kEntryOverhead + textBytes;
    if (cost > maxMemory_ || memory_ > maxMemory_ - cost) {
        stop_ = Stop::Memory;
        return false;
    }
    ++entries_;
    memory_ += cost;
    return true;
}

std::string importBudgetText(const ImportBudget& budget) {
    std::string text;
    if (budget.stop() == ImportBudget::Stop::Entries) {
        text = "导入在第 " + std::to_string(budget.entries()) + " 个条目后停止：一次导入最多 " +
               std::to_string(budget.maxEntries()) + " 个条目，其余条目没有导入";
    } else if (budget.stop() == ImportBudget::Stop::Memory) {
        text = "导入在第 " + std::to_string(budget.entries()) +
               " 个条目后停止：一次导入的条目最多占用 " + std::to_string(budget.maxMemory() >> 20) +
               " MiB 内存，其余条目没有导入";
    }
    if (budget.flattened() > 0) {
        if (!text.empty())
            text += '\n';
        text += std::to_string(budget.flattened()) + " 个条目深于 " +
                std::to_string(budget.maxDepth()) + " 层，放在了第 " +
                std::to_string(budget.maxDepth()) + " 层";
    }
    return text;
}

}  // namespace brivanta
