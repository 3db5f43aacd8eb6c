#pragma once

#include "commerce_services.h"

class QDialog;
class QWidget;

// Openers for the account screen: each opens its sheet over `parent` (with open()) and returns
// it; the sheet deletes itself when closed.
QDialog* openPurchaseSheet(const CommerceServices& services, QWidget* parent);
QDialog* openSubscriptionSheet(const CommerceServices& services, QWidget* parent);
QDialog* openConverterSheet(const CommerceServices& services, QWidget* parent);
