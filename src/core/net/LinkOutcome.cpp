#include "core/net/LinkOutcome.h"

namespace brivanta::net {

const char* linkResultName(LinkResult r) {
    switch (r) {
        case LinkResult::working:
            return "working";
        case LinkResult::redirected:
            return "redirected";
        case LinkResult::moved:
            return "moved";
        case LinkResult::notFound:
            return "not-found";
        case LinkResult::serverError:
            return "server-error";
        case LinkResult::refused:
            return "refused";
        case LinkResult::timedOut:
            return "timed-out";
        case LinkResult::nameNotFound:
            return "no-such-host";
        case LinkResult::tlsFailure:
            return "tls-failure";
        case LinkResult::failed:
            return "failed";
    }
    return "failed";
}

const char* linkResultText(LinkResult r) {
    switch (r) {
        case LinkResult::working:
            return "正常";
        case LinkResult::redirected:
            return "临时转向";
        case LinkResult::moved:
            return "永久迁移";
        case LinkResult::notFound:
            return "不存在";
        case LinkResult::serverError:
            return "服务器错误";
        case LinkResult::refused:
            return "拒绝连接";
        case LinkResult::timedOut:
            return "超时";
        case LinkResult::nameNotFound:
            return "找不到主机";
        case LinkResult::tlsFailure:
            return "安全连接失败";
        case LinkResult::failed:
            return "其它错误";
    }
    return "其它错误";
}

bool parseLinkResult(std::string_view name, LinkResult& r) {
    for (LinkResult each :
         {LinkResult::working, LinkResult::redirected, LinkResult::moved, LinkResult::notFound,
          LinkResult::serverError, LinkResult::refused, LinkResult::timedOut,
          LinkResult::nameNotFound, LinkResult::tlsFailure, LinkResult::failed}) {
        if (name == linkResultName(each)) {
            r = each;
            return true;
        }
    }
    return false;
}

LinkResult resultOfStatus(long status) {
    if (status >= 200 && status < 300)
        return LinkResult::working;
    if (status == 404 || status == 410)
        return LinkResult::notFound;
    if (status >= 500 && status < 600)
        return LinkResult::serverError;
    return LinkResult::failed;  // 1xx, a 3xx not followed, other 4xx, nonsense
}

}  // namespace brivanta::net
