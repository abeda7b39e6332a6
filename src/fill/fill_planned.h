#pragma once
// The advertising planned for one station and one day, read from the station's files: the
// running order (file 27) with each entry's item (file 26) and contract header (file 5) when the
// day has one, else the booked passages (file 7), level 5 down to 1.
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>

struct PassagePlanifie {
    bool national = false;
    float duree = 0;       // seconds, single precision
    int16_t heure = 0;     // the stored hour read as a number (blank reads as 0)
    QString libelleHeure;  // "H" and the stored hour field as it is ("H08", "H 8")
    int16_t niveau = 5;    // which columns it reaches: 3 and above the hour, 2 and above slot and day
};

// Calls f for each passage of the day, in key order. Reads only. A read that fails (a status
// other than 0 and end of file) is reported and false is returned: the day's figures are
// incomplete. In the running order the walk goes on past a failed read once; in the booked
// passages a failure ends the day's pass. The program's end also gives false.
bool LirePublicitePlanifiee(int16_t base, int16_t station, const QDate& jour, const QString& source,
                            const std::function<void(const PassagePlanifie&)>& f);
