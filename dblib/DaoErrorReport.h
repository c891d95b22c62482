// The message for database-engine errors that the programs show their user.
#pragma once

#include <functional>

#include "platform/core/CString.h"

class CDaoException;

// The text the message box shows for an exception: the heading and one line block per error, or the
// whole text of the first error that has a text of its own (file missing, in use, damaged).
CString ComposeDaoExceptionMessage(CDaoException* e);

// Shows the composed text with a stop icon and deletes the exception; nothing for no exception.
void ReportDaoException(CDaoException* e);

// Where the text goes. The library shows nothing itself: a program installs its message box here at
// start-up (and tests install a recorder). Without one the text goes to standard error.
using DaoErrorPresenter = std::function<void(const CString& text)>;
void SetDaoErrorPresenter(DaoErrorPresenter presenter);
