#include "notifier.h"

Notifier& Notifier::shared()
{
    static Notifier notifier;
    return notifier;
}
