#pragma once
// The procedure scope. Every procedure opens one with its key ("Lib_Public:TraceLog"): the scope
// writes the entry trace, and runs each statement that can fail under its number (10, 20, 30...).
// A failed statement fills DerniereErreur, is reported through GestionDesErreurs, and the
// procedure goes on with its next statement; whatever the failed statement was to set keeps its
// previous content. Variants: a zone for the report, a longer key, leave after a failure, no
// report at all, or a handler of the procedure's own for some numbers.
#include "platform/app_error.h"
#include "platform/program_end.h"

#include <QString>
#include <functional>
#include <utility>

enum class Trace {
    Both,       // log line (bTraceLogDebug) and debug list (bTraceDebugEcran)
    DebugOnly,  // debug list only
    None,       // no entry trace
};

class Proc {
public:
    explicit Proc(const char* key, Trace trace = Trace::Both);
    // Entry trace with a text of its own in the debug list ("Lib_Public:Tps2MinSec < caller").
    Proc(const char* key, Trace trace, const QString& debugText);

    Proc& zone(int z) {
        zone_ = z;
        return *this;
    }
    Proc& keySuffix(const QString& s) {
        suffix_ = s;
        return *this;
    }
    Proc& leaveOnError() {
        leave_ = true;
        return *this;
    }
    Proc& silent() {
        silent_ = true;
        return *this;
    }
    // Called with the statement number once DerniereErreur is filled; returns true when it has
    // dealt with the error itself (no standard report).
    Proc& handler(std::function<bool(int erl)> h) {
        handler_ = std::move(h);
        return *this;
    }

    // Runs one numbered statement. Returns false when it failed, or when the procedure has
    // already left after an earlier failure.
    template <class F>
    bool operator()(int stmt, F&& f) {
        if (left_) return false;
        try {
            std::forward<F>(f)();
            return true;
        } catch (const ProgramEnded&) {
            throw;
        } catch (const AppError& e) {
            fail(stmt, e);
        } catch (const std::bad_alloc&) {
            fail(stmt, AppError::runtime(7));
        } catch (const std::exception& e) {
            fail(stmt, AppError::runtime(5, QString::fromLocal8Bit(e.what())));
        }
        return false;
    }

    bool failed() const { return failures_ > 0; }
    bool left() const { return left_; }
    const char* key() const { return key_; }
    QString fullKey() const { return QString::fromLatin1(key_) + suffix_; }

private:
    void fail(int stmt, const AppError& e);

    const char* key_;
    QString suffix_;
    int zone_ = -1;
    bool leave_ = false;
    bool silent_ = false;
    bool left_ = false;
    int failures_ = 0;
    std::function<bool(int)> handler_;
};
