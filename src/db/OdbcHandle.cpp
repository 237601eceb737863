#include "db/OdbcHandle.h"

#include "db/OdbcError.h"

namespace qar
{

EnvHandle allocEnvironment()
{
    SQLHANDLE env = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    if (!SQL_SUCCEEDED(rc)) {
        throw OdbcError("SQLAllocHandle(ENV)", {{"HY001", 0, "the driver manager could not allocate an environment"}});
    }
    EnvHandle handle(env);
    check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV, env,
          "SQLSetEnvAttr(ODBC_VERSION)");
    return handle;
}

DbcHandle allocConnection(const EnvHandle& env)
{
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_DBC, env.get(), &dbc), SQL_HANDLE_ENV, env.get(), "SQLAllocHandle(DBC)");
    return DbcHandle(dbc);
}

StmtHandle allocStatement(SQLHDBC dbc)
{
    SQLHANDLE stmt = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle(STMT)");
    return StmtHandle(stmt);
}

} // namespace qar
