// The database objects in one include: workspace, database, query and table definitions,
// recordsets with bound fields, typed values and the engine exception.
//
// Files are SQLite 3 databases. The SQL the objects accept is the engine's own dialect (Like with
// * ? # [..] wildcards, #m/d/yyyy# dates, True/False, [bracketed names] and parameters, aliases
// without AS, per-table index names, the engine's functions such as UCase, Left, Mid, IIf, Nz, Now);
// see platform/dao/JetSql.h for the translation. Texts are code page 1252 in the API and compare,
// group, order and key without case (the 1252 letters folded); they are stored as UTF-8, so the
// file reads correctly in other tools. Booleans are stored as -1/0, dates as OLE automation dates.
#pragma once

#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoFieldExchange.h"
#include "platform/dao/DaoInfo.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/dao/OleVariant.h"
