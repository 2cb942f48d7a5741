#include "reliability_qt/support/record_counter.h"

#include <soci/soci.h>

#include "records/record_database.h"

namespace velkaro::reliability {

int runRecordRows() {
    try {
        soci::session session("odbc", std::string(kRunRecordConnect));
        int rows = 0;
        session << "select count(*) from 运行记录", soci::into(rows);
        return rows;
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace velkaro::reliability
