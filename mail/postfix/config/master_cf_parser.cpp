#include "mail/postfix/config/master_cf_parser.h"

#include <cstdint>
#include <string>
#include <vector>

#include <boost/spirit/include/classic_assign_actor.hpp>
#include <boost/spirit/include/classic_chset.hpp>
#include <boost/spirit/include/classic_core.hpp>

namespace quarn::parser {

namespace sp = boost::spirit::classic;

// Character classes and small grammars shared by the rules below.
const sp::chlit<char> lf_p('\n');
const sp::chlit<char> cr_p('\r');
const sp::chlit<char> sp_p(' ');
const sp::chlit<char> tab_p('\t');
const auto swsp_p = sp_p | tab_p | cr_p;
const auto empty_line_p = *swsp_p;
const auto comments_p = sp::ch_p('#') >> *(sp::anychar_p - lf_p);
const auto comments_line_p = empty_line_p >> comments_p;
// A line break inside a logical line: comment and blank lines may come
// between, and the next text line must begin with white space.
const auto continuation_p = lf_p >> *(empty_line_p >> !comments_p >> lf_p) >> +swsp_p;
// A column separator. It must hold a blank or a line break: Postfix splits
// columns at white space, so "n-" is one (bad) column, not two.
const auto continuous_spaces_p = (+swsp_p >> !comments_p >> !continuation_p) |
                                 (comments_p >> !continuation_p) | continuation_p;
// One column word: printable ASCII but "#".
const auto word_p = +(sp::range_p('\x21', '\x7e') - sp::ch_p('#'));

/// Sets a field to a fixed value when its parser matches.
template <class T>
class ConstAssigner {
public:
    ConstAssigner(T& field, T value) : field_(field), value_(value) {}
    template <class Iter>
    void operator()(Iter, Iter) const {
        field_ = value_;
    }
    template <class Attribute>
    void operator()(const Attribute&) const {
        field_ = value_;
    }

private:
    T& field_;
    T value_;
};

/// Appends the matched text to a list of strings.
template <class List>
class WordAppender {
public:
    explicit WordAppender(List& list) : list_(list) {}
    template <class Iter>
    void operator()(Iter first, Iter last) const {
        list_.push_back(std::string(first, last));
    }

private:
    List& list_;
};

/// Assigns the matched text to a string.
class TextAssigner {
public:
    explicit TextAssigner(std::string& text) : text_(text) {}
    template <class Iter>
    void operator()(Iter first, Iter last) const {
        text_.assign(first, last);
    }

private:
    std::string& text_;
};

}  // namespace quarn::parser

namespace quarn::mail::postfix {

namespace sp = boost::spirit::classic;
using namespace quarn::parser;

/// Starts a service entry from a reset ModuleInfo.
class ModuleResetter {
public:
    explicit ModuleResetter(ModuleInfo& info) : info_(info) {}
    template <class Iter>
    void operator()(Iter, Iter) const {
        info_.reset();
    }

private:
    ModuleInfo& info_;
};

/// Adds a complete service entry with its exact text.
class MasterCfModuleAppender {
public:
    MasterCfModuleAppender(ModuleInfo& info, MasterCfContent& content)
        : info_(info), content_(content) {}
    template <class Iter>
    void operator()(Iter first, Iter last) const {
        content_.addModule(info_, std::string(first, last));
    }

private:
    ModuleInfo& info_;
    MasterCfContent& content_;
};

/// Adds a comment or blank line as it stands.
class MasterCfRawAppender {
public:
    explicit MasterCfRawAppender(MasterCfContent& content) : content_(content) {}
    template <class Iter>
    void operator()(Iter first, Iter last) const {
        content_.addRawLine(std::string(first, last));
    }

private:
    MasterCfContent& content_;
};

/// The whole file: entries separated by line feeds, with no implicit
/// skipping, so every byte belongs to exactly one line.
class MasterCfParser : public sp::grammar<MasterCfParser> {
public:
    explicit MasterCfParser(MasterCfContent& content) : content(content) {}

    template <class ScannerT>
    struct definition {
        explicit definition(const MasterCfParser& self) {
            ModuleInfo& info = self.info;
            using Type = ConstAssigner<ModuleType>;
            const sp::uint_parser<int32_t, 10, 1, -1> number_p;
            const auto sep = continuous_spaces_p;

            file = entry >> *(lf_p >> ~sp::eps_p(sp::end_p) >> entry) >> !lf_p;
            entry = service[MasterCfModuleAppender(info, self.content)] |
                    comments_line_p[MasterCfRawAppender(self.content)] |
                    empty_line_p[MasterCfRawAppender(self.content)];
            service = sp::eps_p[ModuleResetter(info)] >> word_p[TextAssigner(info.name)] >> sep >>
                      type >> sep >> flag(info.isPrivate) >> sep >> flag(info.unprivileged) >>
                      sep >> flag(info.chroot) >> sep >> wakeup >> sep >> maxproc >> sep >>
                      command >> *swsp_p;
            // "unix-dgram" before "unix": the first alternative that matches wins.
            type = sp::str_p("inet")[Type(info.type, INET)] |
                   sp::str_p("unix-dgram")[Type(info.type, UNIX_DGRAM)] |
                   sp::str_p("unix")[Type(info.type, UNIX)] |
                   sp::str_p("fifo")[Type(info.type, FIFO)] |
                   sp::str_p("pass")[Type(info.type, PASS)];
            wakeup = sp::ch_p('-')[ConstAssigner<int32_t>(info.wakeup, -1)] |
                     (number_p[sp::assign_a(info.wakeup)] >>
                      !sp::ch_p('?')[ConstAssigner<bool>(info.wakeupWhenUsed, true)]);
            maxproc = sp::ch_p('-')[ConstAssigner<int32_t>(info.maxproc, -1)] |
                      number_p[sp::assign_a(info.maxproc)];
            command = word_p[WordAppender<std::vector<std::string>>(info.command)] >>
                      *(sep >> word_p[WordAppender<std::vector<std::string>>(info.command)]);
        }

        /// "y", "n" or "-" into `field`.
        static auto flag(boost::logic::tribool& field) {
            using Flag = ConstAssigner<boost::logic::tribool>;
            return sp::ch_p('y')[Flag(field, true)] | sp::ch_p('n')[Flag(field, false)] |
                   sp::ch_p('-')[Flag(field, boost::logic::indeterminate)];
        }

        const sp::rule<ScannerT>& start() const { return file; }

        sp::rule<ScannerT> file, entry, service, type, wakeup, maxproc, command;
    };

    MasterCfContent& content;
    /// The entry being filled; the rules refer to it.
    mutable ModuleInfo info;
};

namespace {

template <class Iter>
bool parseRange(Iter first, Iter last, MasterCfContent& content) {
    MasterCfParser parser(content);
    return sp::parse(first, last, parser).full;
}

}  // namespace

bool parseMasterCf(const char* first, const char* last, MasterCfContent& content) {
    return parseRange(first, last, content);
}

bool parseMasterCf(MasterCfFileIterator first, MasterCfFileIterator last,
                   MasterCfContent& content) {
    return parseRange(first, last, content);
}

}  // namespace quarn::mail::postfix
