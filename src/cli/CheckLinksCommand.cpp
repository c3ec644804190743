#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "cli/CliCommands.h"
#include "cli/NetOptions.h"
#include "cli/ProgressLine.h"
#include "cli/TreeFileKind.h"
#include "core/formats/TreeArchive.h"
#include "core/net/LinkChecker.h"
#include "core/net/LinkResultsFile.h"
#include "core/net/TreeLinkSource.h"
#include "core/text/Encoding.h"
#include "core/text/SystemErrorText.h"
#include "core/trees/DuplicateFinder.h"

namespace brivanta::cli {

namespace {

bool parsePositive(const std::string& text, double& value, double max) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && value > 0 && value <= max;
}

const char* const kUsage =
    "用法: brivanta-cli check-links [--jobs N] [--timeout S] [--only-failed] "
    "[--older-than DAYS] [--pause MS] [--ca-file F] [-q] FILE";

struct CheckLinksLine {
    std::string jobs, timeout, pause, olderThan, caFile;
    bool onlyFailed = false;
    bool quiet = false;
    std::string file;
};

std::string checkLinksHelp() {
    return std::string(
               "检查树文件 FILE 中每个网址（http、https）和文件地址（file:// 或绝对路径）是否还\n"
               "能打开，邮件地址不检查。每检查完一个打印一行：结果、TAB、HTTP 状态码（没有时为\n"
               "0）、TAB、所在文件夹路径和名称、TAB、地址，重定向时再加 TAB 和新地址；按检查完成\n"
               "的先后打印。\n"
               "结果: working 正常，redirected 临时重定向，moved 永久重定向，not-found 不存在\n"
               "（404、410），server-error 服务器错误，refused 拒绝连接，timed-out 超时，\n"
               "no-such-host 找不到主机，tls-failure TLS 失败（证书不可信等），failed 其它错误。\n"
               "先发 HEAD，服务器不接受时改发只取开头的 GET；最多跟随 5 次重定向，每个回应最多\n"
               "读 64 KB。同时最多 N 个连接（--jobs，默认 16），每个主机同时最多 2 个，对同一\n"
               "主机的两次请求之间至少隔 MS 毫秒（--pause，默认 100）。--timeout S 是每次连接和\n"
               "每个请求的时限（默认连接 10 秒、请求 20 秒）。--ca-file F 另外信任 PEM 文件 F 中\n"
               "的颁发机构。\n"
               "结果和检查时间记在 FILE.links；--only-failed 只检查上次失效和从未检查过的链接，\n"
               "--older-than DAYS 只检查上次检查已超过 DAYS 天的（两者可以同时给出）。\n"
               "以 .ads 结尾的文件按通讯录读取。\n") +
           kQuietHelp + exitStatusHelp("有失效的链接，或失败");
}

int runCheckLinks(const CheckLinksLine& command) {
    require(command.file, "FILE");
    net::LinkCheckOptions options;
    double number = 0;
    if (const std::string& value = command.jobs; !value.empty()) {
        if (!parsePositive(value, number, 256) || number != std::floor(number))
            throw UsageError("--jobs 的值 “" + value + "” 不是 1 到 256 的整数");
        options.connections = static_cast<int>(number);
    }
    if (const std::string& value = command.timeout; !value.empty()) {
        if (!parsePositive(value, number, 86400))
            throw UsageError("--timeout 的值 “" + value + "” 不是正的秒数");
        options.connectTimeoutMs = options.timeoutMs =
            std::max(1, static_cast<int>(std::lround(number * 1000)));
    }
    if (const std::string& value = command.pause; !value.empty()) {
        int ms = -1;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (ec != std::errc() || end != value.data() + value.size() || ms < 0 || ms > 60000)
            throw UsageError("--pause 的值 “" + value + "” 不是 0 到 60000 的毫秒数");
        options.hostPauseMs = ms;
    }
    long long maxAge = 0;
    if (const std::string& value = command.olderThan; !value.empty()) {
        if (!parsePositive(value, number, 36500))
            throw UsageError("--older-than 的值 “" + value + "” 不是正的天数");
        maxAge = static_cast<long long>(std::llround(number * 86400));
    }
    options.caFile = command.caFile;
    if (!options.caFile.empty() && ::access(options.caFile.c_str(), R_OK) != 0)
        return fail("不能读取证书文件 “" + options.caFile + "”：" + text::systemErrorText(errno));
    const bool onlyFailed = command.onlyFailed;
    const std::string& path = command.file;

    BookmarkTree tree(treeKindOfFile(path));
    FileError error;
    bool damaged = false;
    if (!loadArchiveFile(tree, path, kNoItem, &error, &damaged))
        return fail(error.readMessage());
    if (damaged)
        warnDamaged(path, tree.size());
    net::LinkResultsFile results;
    const std::string resultsPath = net::LinkResultsFile::pathFor(path);
    size_t skipped = 0;
    if (FileError e = results.load(resultsPath, &skipped))
        return fail(e.readMessage());
    if (skipped > 0)
        std::fprintf(stderr, "brivanta-cli: 警告：“%s” 中有 %zu 行读不出，这些链接会重新检查\n",
                     resultsPath.c_str(), skipped);

    const std::time_t now = std::time(nullptr);
    const bool selective = onlyFailed || maxAge > 0;
    auto makeSource = [&] {
        return [&, source = net::TreeLinkSource(tree)](net::LinkJob& job) mutable {
            while (source.next(job))
                if (!selective || results.needsCheck(job.address, now, onlyFailed, maxAge))
                    return true;
            return false;
        };
    };
    size_t total = 0;
    {
        auto counting = makeSource();
        net::LinkJob job;
        while (counting(job))
            ++total;
    }

    OutputBuffer out;
    std::string line;
    bool anyDead = false;
    ProgressLine progress(command.quiet);
    size_t checked = 0, dead = 0;
    net::LinkChecker checker(options);
    std::string failure;
    bool ran = checker.run(
        makeSource(),
        [&](const net::LinkJob& job, const net::LinkOutcome& outcome) {
            const bool isDead = net::isDead(outcome.result);
            anyDead = anyDead || isDead;
            results.record(job.address, outcome);
            line = net::linkResultName(outcome.result);
            line += '\t';
            line += std::to_string(outcome.code);
            line += '\t';
            line += text::toUtf8(entryPath(tree, static_cast<ItemId>(job.tag)));
            line += '\t';
            line += text::toUtf8(job.address);
            if (!outcome.newAddress.empty()) {
                line += '\t';
                line += text::toUtf8(outcome.newAddress);
            }
            line += '\n';
            out.append(line);
            ++checked;
            dead += isDead ? 1 : 0;
            progress.update("已检查 " + std::to_string(checked) + "/" + std::to_string(total) +
                                " 条链接，失效 " + std::to_string(dead),
                            checked == total);
        },
        failure);
    out.flush();
    if (!ran)
        return fail(failure);
    // Results of links no longer in the tree would only grow the file.
    {
        std::unordered_set<std::string_view> inTree;
        net::TreeLinkSource all(tree);
        for (net::LinkJob job; all.next(job);)
            inTree.insert(tree.LookupRecord(static_cast<ItemId>(job.tag))->address);
        results.retain([&](const std::string& address) { return inTree.count(address) > 0; });
    }
    if (FileError e = results.save(resultsPath))
        return fail(e.writeMessage());
    return anyDead ? 1 : 0;
}

Runner defineCheckLinks(OptionLine& line) {
    auto parsed = std::make_shared<CheckLinksLine>();
    line.add_option("--jobs", parsed->jobs);
    line.add_option("--timeout", parsed->timeout);
    line.add_flag("--only-failed", parsed->onlyFailed);
    line.add_option("--older-than", parsed->olderThan);
    line.add_option("--pause", parsed->pause);
    line.add_option("--ca-file", parsed->caFile);
    addQuietOption(line, parsed->quiet);
    line.add_option("FILE", parsed->file);
    return [parsed] { return runCheckLinks(*parsed); };
}

}  // namespace

const Command kCheckLinksCommand = {"check-links", "检查链接是否失效，结果记在树文件旁", kUsage,
                                    checkLinksHelp, defineCheckLinks};

}  // namespace brivanta::cli
