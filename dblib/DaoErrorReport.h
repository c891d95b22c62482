// The message for database-engine errors that the programs show their user.
#pragma once

#include "platform/core/CString.h"

class CDaoException;

// The text the message box shows for an exception: the heading and one line block per error, or the
// whole text of the first error that has a text of its own (file missing, in use, damaged).
CString ComposeDaoExceptionMessage(CDaoException* e);

// Shows the composed text in the platform's message box with a stop icon and deletes the exception;
// nothing for no exception.
void ReportDaoException(CDaoException* e);
