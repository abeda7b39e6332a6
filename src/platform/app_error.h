#pragma once
// The one failure type of the program: what a failed statement hands to its procedure's handler.
#include <QString>
#include <cstdint>
#include <exception>

struct AppError : std::exception {
    int32_t number = 0;
    QString source;
    QString description;

    AppError() = default;
    AppError(int32_t n, QString desc, QString src = QStringLiteral("QD3_Tools_Kirvo"))
        : number(n), source(std::move(src)), description(std::move(desc)) {}
    const char* what() const noexcept override { return "AppError"; }

    // A run-time error of the given number with its usual French description.
    static AppError runtime(int32_t n);
    static AppError runtime(int32_t n, const QString& detail);
};

// French description of a run-time error number ("" when unknown).
QString DescriptionErreur(int32_t n);

[[noreturn]] void Raise(int32_t n);
[[noreturn]] void Raise(int32_t n, const QString& description,
                        const QString& source = QStringLiteral("QD3_Tools_Kirvo"));

// The number HTTP failures are raised with.
constexpr int32_t ErrHttpFailed = -2147418113;  // &H8000FFFF
