// Loading the account file at the login: linear in the number of accounts.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/accounts/AccountTable.h"

namespace {

std::string accountFile(int count) {
    static std::string path;
    static int written = 0;
    if (written != count) {
        brivanta::AccountTable table;
        for (int i = 0; i < count; ++i) {
            brivanta::UserAccount a;
            a.name = "user" + std::to_string(i);
            a.email = a.name + "@example.com";
            a.pop3Server = "pop.example.com";
            a.smtpServer = "smtp.example.com";
            a.passwordSum = i;
            table.set(a);
        }
        path = "/tmp/brivanta-accounts-bench.ini";
        if (table.saveFile(path).failed())
            return {};
        written = count;
    }
    return path;
}

void BM_LoadAccounts(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = accountFile(count);
    if (path.empty()) {
        state.SkipWithError("cannot write the account file");
        return;
    }
    for (auto _ : state) {
        brivanta::AccountTable table;
        table.loadFile(path);
        benchmark::DoNotOptimize(table.size());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_LoadAccounts)->Arg(100000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
