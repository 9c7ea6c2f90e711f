#include "mail/lib/quota/maildirpp_quota.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lib/util/eintr.h"
#include "lib/names/idn.h"
#include "lib/util/malloc_string.h"
#include "lib/names/name_rules.h"
#include "lib/panel/mysql_handle.h"
#include "lib/panel/panel_queries.h"
#include "lib/panel/vel_conf.h"
#include "lib/util/working_dir_guard.h"
#include "mail/lib/quota/get_dir_size.h"
#include "mail/lib/quota/maildirpp_usage.h"
#include "mail/lib/quota/maildirsize_freshness.h"
#include "mail/lib/quota/maildirsize_text.h"
#include "mail/lib/quota/maildirsize_tmp.h"
#include "mail/lib/tree/popuser.h"
#include "mail/lib/tree/tree_dir.h"
#include "mail/lib/quota/quota_log.h"
#include "mail/lib/quota/quota_panel.h"

namespace {

const size_t PATH_BUFFER = 4096;

// gethostname into a 65-byte buffer, always terminated.
bool hostName(char (&host)[65]) {
    if (gethostname(host, sizeof host) != 0)
        return false;
    host[sizeof host - 1] = '\0';
    return true;
}

// Steps 2 to 6 of writing, in the Maildir that is the current directory;
// the temporary file is gone again on every failure since `tmp` goes
// before the caller changes back.
int writeInCurrentDir(const char* maildir, uid_t owner, gid_t group, sizequota_t sq,
                      fcount_t cq) {
    char host[65];
    if (!hostName(host)) {
        quota_log(errno, "Unable to receive hostname");
        return 0;
    }
    quarn::mail::MaildirsizeTmpFile tmp;
    if (!tmp.create(host))
        return 0;
    if (quarn::retryOnEintr([&] { return fchown(tmp.fd(), owner, group); }) != 0) {
        quota_log(errno, "unable to change the owner of %s/%s", maildir, tmp.name());
        return 0;
    }
    sizequota_t size;
    fcount_t count;
    time_t seen = 0;
    if (!get_maildirpp_messages_usage(&size, &count, &seen)) {
        quota_log(errno, "unable to calculate the usage of Maildir %s", maildir);
        return 0;
    }
    char text[MAILDIRSIZE_WRITE_MAX];
    int length = format_maildirsize(text, sizeof text, sq, cq, size, count);
    if (length < 0) {
        quota_log(errno, "maildirsize contents do not fit their buffer");
        return 0;
    }
    if (!tmp.write(text, length) || !tmp.commit() || !tmp.install("maildirsize"))
        return 0;
    return maildirsize_check_freshness(maildir, seen);
}

// The mailbox home below the mail root; 0 after a message.
int mailboxHome(const char* MailDomain, const char* MailName, char (&home)[PATH_BUFFER]) {
    quarn::MallocString ascii(idn_toascii(MailDomain));
    if (!ascii) {
        quota_log(0, "idn_toascii(%s) failed: %s", MailDomain, idn_strerror(idn_errno));
        return 0;
    }
    // Each name must stay one directory below its parent.
    if (!quarn::isSafePathComponent(ascii.get()) || !quarn::isSafePathComponent(MailName)) {
        quota_log(EINVAL, "invalid domain or mail name %s@%s", MailName, MailDomain);
        return 0;
    }
    const char* root = velConfGetDefaultByIndex(QUARN_MAILNAMES_D);
    int n = std::snprintf(home, sizeof home, "%s/%s/%s", root, ascii.get(), MailName);
    if (n < 0 || static_cast<size_t>(n) >= sizeof home) {
        quota_log(ENAMETOOLONG, "domain and/or user name too long to be stored on the filesystem");
        return 0;
    }
    return 1;
}

// The quota less the attachments store of the mailbox home that is the
// current directory; 0 after a message. Whatever "@attachments" is, it
// counts once it exists: get_dir_size sizes a plain file as well.
int lessAttachments(sizequota_t* quota) {
    struct stat st;
    if (*quota < 0 || lstat("@attachments", &st) != 0)
        return 1;
    sizequota_t attachments = get_dir_size("@attachments", 0);
    if (attachments < 0) {
        quota_log(errno, "unable to count attachments folder size");
        return 0;
    }
    *quota -= attachments;
    if (*quota < 0) {
        quota_log(0, "WARNING: @attachments directory is big enough to disable delivery!");
        *quota = 0;
    }
    return 1;
}

// The domain id and the owner of its limits (its webspace, when it has
// one) into `owner`; 0 after a message.
int limitOwner(MYSQL* my, const char* MailDomain, char (&owner)[32]) {
    char query[QUOTA_QUERY_MAX];
    if (!quota_domain_query(my, query, sizeof query,
                            "SELECT id, webspace_id FROM domains WHERE name='%s'", MailDomain))
        return 0;
    if (mysql_query(my, query) != 0) {
        quota_log(0, "Unable to query domain ID: %s", mysql_error(my));
        return 0;
    }
    quarn::MysqlResult result(mysql_store_result(my));
    if (!result) {
        quota_log(0, "Unable to get domain ID query result: %s", mysql_error(my));
        return 0;
    }
    MYSQL_ROW row = mysql_fetch_row(result.get());
    if (!row || !row[0]) {
        quota_log(0, "No such domain %s", MailDomain);
        return 0;
    }
    bool webspace = row[1] && std::strcmp(row[1], "0") != 0;
    std::snprintf(owner, sizeof owner, "%s", webspace ? row[1] : row[0]);
    return 1;
}

}  // namespace

int write_maildirpp_maildirsize(const char* maildir, uid_t owner, gid_t group, sizequota_t sq,
                                fcount_t cq) {
    quarn::WorkingDirGuard cwd;
    if (!cwd.ok()) {
        quota_log(errno, "unable to get current working directory");
        return 0;
    }
    if (quarn::mail::tree_chdir(maildir) != 0) {
        quota_log(errno, "unable to change to Maildir %s", maildir);
        return 0;
    }
    return writeInCurrentDir(maildir, owner, group, sq, cq);
}

int store_maildirpp_quota_raw(const char* maildir, sizequota_t quota) {
    uid_t uid;
    gid_t gid;
    if (popuser_ids(&uid, &gid) != 0)
        return 0;
    return write_maildirpp_maildirsize(maildir, uid, gid, maildirsize_size_limit(quota), 0);
}

int store_mbox_quota(const char* MailDomain, const char* MailName, sizequota_t quota) {
    char home[PATH_BUFFER];
    if (!mailboxHome(MailDomain, MailName, home))
        return 0;
    quarn::WorkingDirGuard cwd;
    if (!cwd.ok()) {
        quota_log(errno, "unable to get current working directory");
        return 0;
    }
    if (quarn::mail::tree_chdir(home) != 0) {
        int error = errno;
        quota_log(error, "unable to change to mbox folder %s: %s", home, std::strerror(error));
        return 0;
    }
    if (!lessAttachments(&quota))
        return 0;
    return store_maildirpp_quota_raw("./Maildir", quota);
}

// A limit query that fails outright (get_dom_Limit gives no value at all)
// is taken like an empty limit: no limit, -1. The mailbox then loses its
// quota rather than keep one the domain may no longer have.
int rm_mbox_quota(const char* MailDomain, const char* MailName) {
    sizequota_t limit = -1;
    {
        quarn::MysqlHandle my(quota_panel_connect());
        if (!my)
            return 0;
        char owner[32];
        if (!limitOwner(my.get(), MailDomain, owner))
            return 0;
        if (!panel_quota_value(get_dom_Limit(owner, "mbox_quota", my.get()), &limit))
            limit = -1;
    }
    return store_mbox_quota(MailDomain, MailName, limit);
}
