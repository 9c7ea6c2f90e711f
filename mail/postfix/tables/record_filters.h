// Record filters for rewriting a lookup table from its dump: the dump is cut
// into lines, a line into key and value, a value into list elements, and each
// piece passes an element filter that keeps, rewrites or drops it.
//
// Filters are small value types copied into their users. Tables may hold a
// million records, so the filters reuse scratch strings kept in themselves
// instead of allocating per record; that is why those members are mutable
// behind the const call operators.
#ifndef QUARN_MAIL_POSTFIX_TABLES_RECORD_FILTERS_H
#define QUARN_MAIL_POSTFIX_TABLES_RECORD_FILTERS_H

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace quarn::mail::postfix::database {

/// Reports a dump line that has no blank between key and value.
void reportInvalidRecord(const std::string& line);

/// Cuts a stream of dump output into lines and writes the lines that the
/// record filter keeps; only the unfinished last line is held between chunks.
template <class RecordFilter>
class DataStreamFilter {
public:
    DataStreamFilter(const RecordFilter& filter, std::ostream& out)
        : filter_(filter), out_(&out) {}

    /// Filters every line completed by `chunk`; the rest waits for more.
    void filterChunk(const std::vector<char>& chunk) {
        filterChunk(chunk.data(), chunk.size());
    }

    void filterChunk(const char* data, std::size_t size) {
        const char* end = data + size;
        const char* start = data;
        while (start < end) {
            const void* found = std::memchr(start, '\n', end - start);
            if (!found)
                break;
            const char* lf = static_cast<const char*>(found);
            pending_.append(start, lf);
            emitPending();
            start = lf + 1;
        }
        pending_.append(start, end);
    }

    /// Filters a last line that had no line end.
    void filterTail() {
        if (!pending_.empty())
            emitPending();
    }

private:
    void emitPending() {
        if (filter_(pending_)) {
            out_->write(pending_.data(), pending_.size());
            // Not flushed per record: the file is read only by the rebuild,
            // and the stream's buffer turns a million records into a few
            // hundred writes. A write error still throws, at the next block.
            out_->put('\n');
        }
        // clear() keeps the capacity, so long dumps reuse one buffer.
        pending_.clear();
    }

    RecordFilter filter_;
    std::ostream* out_;
    std::string pending_;
};

/// Record filter: the key passes one element filter and the whole value
/// another; a kept record leaves with one space between key and value.
template <class KeyFilter, class ValueFilter>
class KeyValueFilter {
public:
    KeyValueFilter(const KeyFilter& keyFilter, const ValueFilter& valueFilter)
        : keyFilter_(keyFilter), valueFilter_(valueFilter) {}

    bool operator()(std::string& line) const {
        const std::size_t n = line.size();
        std::size_t blank = 0;
        while (blank < n && !isBlank(line[blank]))
            ++blank;
        if (blank == n) {
            reportInvalidRecord(line);
            return false;
        }
        key_.assign(line, 0, blank);
        if (!keyFilter_(key_))
            return false;
        std::size_t first = blank;
        while (first < n && isBlank(line[first]))
            ++first;
        if (first == n)
            return false;  // A key with blanks only: nothing worth keeping.
        std::size_t end = n;
        while (isBlank(line[end - 1]))
            --end;
        value_.assign(line, first, end - first);
        if (!valueFilter_(value_))
            return false;
        line.assign(key_);
        line += ' ';
        line += value_;
        return true;
    }

private:
    // Plain comparisons: std::string::find_first_of searches its set anew
    // for every character, which shows in million-record tables.
    static bool isBlank(char c) { return c == ' ' || c == '\t'; }

    KeyFilter keyFilter_;
    ValueFilter valueFilter_;
    mutable std::string key_;
    mutable std::string value_;
};

/// Element filter for whole values: each list element passes the element
/// filter, and the kept ones are joined again by ", ".
template <class ElementFilter>
class ValueListFilter {
public:
    /// Elements are separated by commas and white space, in any run.
    struct isListSep {
        bool operator()(char c) const {
            switch (c) {
            case ',': case ' ': case '\t': case '\n': case '\v': case '\f': case '\r':
                return true;
            default:
                return false;
            }
        }
    };

    explicit ValueListFilter(const ElementFilter& filter) : filter_(filter) {}

    /// False when no element is kept, so that the record is dropped.
    bool operator()(std::string& value) const {
        // A hand-made split rather than boost::split: it fills one reused
        // element buffer instead of a fresh vector of strings per record.
        isListSep sep;
        result_.clear();
        const std::size_t n = value.size();
        std::size_t i = 0;
        for (;;) {
            std::size_t j = i;
            while (j < n && !sep(value[j]))
                ++j;
            addElement(value, i, j);
            if (j == n)
                break;
            while (j < n && sep(value[j]))
                ++j;
            i = j;  // A trailing separator leaves one empty element at n.
        }
        if (result_.empty())
            return false;
        value.swap(result_);
        return true;
    }

private:
    void addElement(const std::string& value, std::size_t from, std::size_t to) const {
        element_.assign(value, from, to - from);
        if (!filter_(element_))
            return;
        if (!result_.empty())
            result_ += ", ";
        result_ += element_;
    }

    ElementFilter filter_;
    mutable std::string element_;
    mutable std::string result_;
};

/// Record filter that applies one element filter to the key and to every
/// element of the value.
template <class ElementFilter>
class ElementsFilter
    : public KeyValueFilter<ElementFilter, ValueListFilter<ElementFilter>> {
public:
    explicit ElementsFilter(const ElementFilter& filter)
        : KeyValueFilter<ElementFilter, ValueListFilter<ElementFilter>>(
              filter, ValueListFilter<ElementFilter>(filter)) {}
};

/// Element filter that renames one exact element, also in its directory
/// form with a trailing slash; it never drops anything. The two strings
/// belong to the caller and must outlive the filter.
class ReplaceElementFilterRef {
public:
    ReplaceElementFilterRef(const std::string& from, const std::string& to)
        : from_(from), to_(to) {}

    bool operator()(std::string& element) const;

private:
    const std::string& from_;
    const std::string& to_;
};

}  // namespace quarn::mail::postfix::database

#endif
