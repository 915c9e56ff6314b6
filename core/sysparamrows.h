// The layout of table sysparam in PARAM.db: which record field each position of each row holds.
// The one table drives loading and saving, so the two cannot drift apart.
#pragma once

class QSqlQuery;
class QString;
class SystemParam;

// Position codes that are not plain field indices.
enum SysparamSlot : short {
    kLanguageSlot = -1,     // the UI language (currentLanguage), not a record field
    kMachineTypeSlot = -2,  // loaded into machineType, saved from machineTypeEdited
};

struct SysparamRow {
    const char* name;
    bool isText;             // the password row: the value is the password text
    bool insertWhenMissing;  // loading adds the row when the database lacks it
    int count;               // number of positions
    short fields[20];        // field index (or SysparamSlot) of each position, 1 first
};

// The rows in loading order.
const SysparamRow* sysparamRowsBegin();
const SysparamRow* sysparamRowsEnd();

struct SysparamRowRange {
    const SysparamRow* begin() const { return sysparamRowsBegin(); }
    const SysparamRow* end() const { return sysparamRowsEnd(); }
};
inline SysparamRowRange sysparamRows() { return {}; }

// Fills the row's fields from its stored value: blank-separated decimals; a missing or malformed
// position reads as 0; spare positions all go into `spare`.
void readRowValue(SystemParam& record, const SysparamRow& row, const QString& value);
// The stored value of the row for `record`.
QString rowValue(const SystemParam& record, const SysparamRow& row);
// Updates the row, inserting it when no row was updated. Failures are logged.
bool writeRow(QSqlQuery& query, const SysparamRow& row, const QString& value);
