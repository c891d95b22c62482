// Ledgerkeep, the administrator.
#include "maintenance/admin/AdminApp.h"

CAdminApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
