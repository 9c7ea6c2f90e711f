// Failure paths of the panel queries. A handle that was never connected
// escapes names but fails every statement with "Server has gone away", so
// these need no database.
#include "lib/panel/misc_params.h"
#include "lib/panel/mysql_query.h"
#include "lib/panel/panel_queries.h"

#include "tests/support/log_capture.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

using testsupport::LogCapture;

/// An unconnected handle, closed at the end of the test.
struct Offline : std::unique_ptr<MYSQL, void (*)(MYSQL*)> {
    Offline() : unique_ptr(mysql_init(nullptr), mysql_close) {}
};

const std::string GONE = "Failed to exec query, Error: Server has gone away|";

TEST(ExecMysqlQuery, FailedQueryLogsAndReturnsMinusOne) {
    LogCapture log;
    Offline my;
    char** names = reinterpret_cast<char**>(&names);  // Must be reset.
    EXPECT_EQ(-1, exec_mysql_query(my.get(), "SELECT 1", &names));
    EXPECT_EQ(nullptr, names);
    EXPECT_EQ(GONE, log.text());
}

TEST(PanelQueries, FailuresAddTheirOwnMessage) {
    struct Case {
        const char* name;
        int (*run)(MYSQL*);
        std::string log;
    } cases[] = {
        {"domain aliases",
         [](MYSQL* my) { char** n; return get_domaliases_by_domain(my, &n, "a.example"); },
         GONE + "Unable to get domain aliases from database for: a.example|"},
        {"mailnames",
         [](MYSQL* my) { char** n; return get_mailnames_by_domain(my, &n, "a.example"); },
         GONE + "Unable to get mailnames from domain: a.example|"},
        {"mail aliases",
         [](MYSQL* my) { char** n; return get_aliases_by_mailname(my, &n, "info", "a.example"); },
         GONE + "Unable to get aliases for mailname: info@a.example|"},
        {"domain of alias",
         [](MYSQL* my) { char* d; return get_domain_by_domainalias(my, &d, "b.example"); },
         GONE + "Unable to get domain by domainalias: b.example|"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        Offline my;
        EXPECT_EQ(-1, c.run(my.get())) << c.name;
        EXPECT_EQ(c.log, log.text()) << c.name;
    }
}

TEST(GetDomLimit, QueryErrorGivesNull) {
    LogCapture log;
    Offline my;
    EXPECT_EQ(nullptr, get_dom_Limit("1", "mbox_quota", my.get()));
    EXPECT_EQ("Unable to query domain limit mbox_quota: Server has gone away\n|", log.text());
}

TEST(MiscParams, DatabaseErrorIsWarnedAndIgnored) {
    quarn::mysql::Connection conn(mysql_init(nullptr), true);
    const std::string warning =
        "Warning: MySQL Error on Mail Authentication Type query: MySQL error 2006: "
        "Server has gone away executing query: SELECT    val  FROM misc    WHERE "
        "param='message_submission', ignored\n";
    for (bool fallback : {false, true}) {
        testsupport::StreamCapture streams;
        EXPECT_EQ(fallback, quarn::mail::restore::getBoolMiscParamSafe("message_submission", conn,
                                                                       fallback));
        EXPECT_EQ(warning, streams.err()) << "on standard error";
        EXPECT_EQ(warning, streams.out()) << "repeated on standard output";
    }
    EXPECT_THROW(quarn::mail::restore::getStringMiscParam("x", conn), quarn::mysql::mError);
    testsupport::StreamCapture streams;
    EXPECT_TRUE(quarn::mail::restore::getStringMiscParamSafe("x", conn).isNull);
}

}  // namespace
