#include "tools/email/smtp_send.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace zelkor::tools {

namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Upload {
    std::string_view rest;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, upload->rest.size());
    std::memcpy(buffer, upload->rest.data(), n);
    upload->rest.remove_prefix(n);
    return n;
}

// libcurl keeps the connection for reuse and says goodbye (QUIT) in
// curl_easy_cleanup, outside the total time-out, waiting up to two minutes
// for a server that stopped answering. The mail is accepted or has failed
// by then, so the connection is shut without the goodbye.
void dropConnection(CURL* curl) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

}  // namespace

bool SendMail(const SmtpJob& job, std::string* error) {
    static const CURLcode globalInit = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (globalInit != CURLE_OK) {
        *error = std::string("cannot start libcurl: ") + curl_easy_strerror(globalInit);
        return false;
    }
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        *error = "cannot start libcurl";
        return false;
    }
    curl_slist* raw = nullptr;
    for (const auto& r : job.recipients) {
        curl_slist* next = curl_slist_append(raw, ("<" + r + ">").c_str());
        if (next == nullptr) {
            curl_slist_free_all(raw);
            *error = "out of memory";
            return false;
        }
        raw = next;
    }
    std::unique_ptr<curl_slist, SlistDeleter> recipients(raw);
    Upload upload{job.message};
    const std::string from = "<" + job.from + ">";
    char curlError[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(c, CURLOPT_URL, job.server.url.c_str());
    // Only mail protocols, also after anything the server might answer.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // smtp:// upgrades with STARTTLS when the server offers it; smtps://
    // speaks TLS from the first byte. A password never goes out in clear:
    // with a login, a server without STARTTLS is refused.
    const bool login = !job.user.empty();
    curl_easy_setopt(c, CURLOPT_USE_SSL,
                     long(job.server.implicitTls || login ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    if (login) {
        curl_easy_setopt(c, CURLOPT_USERNAME, job.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, job.password.c_str());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(job.message.size()));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(job.connectTimeoutMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(job.totalTimeoutMs));
    // Otherwise libcurl times out name look-ups with SIGALRM and a long jump.
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);

    const CURLcode result = curl_easy_perform(c);
    dropConnection(c);
    if (result != CURLE_OK) {
        *error = curlError[0] != '\0' ? curlError : curl_easy_strerror(result);
        return false;
    }
    return true;
}

}  // namespace zelkor::tools
