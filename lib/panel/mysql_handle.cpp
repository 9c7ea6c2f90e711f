#include "lib/panel/mysql_handle.h"

#include "lib/panel/quarn_db.h"

namespace quarn {

MysqlSession::MysqlSession(MYSQL* given) : my_(given) {
    if (!my_) {
        own_.reset(db_connect());
        my_ = own_.get();
    }
}

}  // namespace quarn
