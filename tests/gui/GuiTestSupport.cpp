#include "GuiTestSupport.h"

#include "app/ui/MessageService.h"

namespace qar::test
{

HeadlessMessages::HeadlessMessages()
{
    ui::MessageService::instance().reset();
    ui::MessageService::instance().setHeadless(true);
}

HeadlessMessages::~HeadlessMessages()
{
    ui::MessageService::instance().reset();
}

} // namespace qar::test
