// zenq soap call: XML_Execute of the framework's SOAP server from a shell, with the reason when it fails.
#include "Command.h"

#include "intercom/IZenqSoapServerUnit.h"

namespace {

int soapCommand(const QStringList &arguments)
{
    if (arguments.size() != 3 || arguments.first() != QLatin1String("call"))
        return zenqtool::usageError("soap", QStringLiteral("expected: call ADDRESS TEXT"));
    QString answer, error;
    DeliverToSOAPServer(arguments.at(2), arguments.at(1), {}, answer, &error);
    if (!error.isEmpty())
        return zenqtool::failure("soap", error);
    zenqtool::out() << answer << '\n';
    zenqtool::out().flush();
    return 0;
}

} // namespace

ZENQ_COMMAND("soap", "call ADDRESS TEXT",
             "Call XML_Execute of the SOAP server at ADDRESS (a WSDL address is turned into the endpoint) with "
             "TEXT and print the answer.",
             soapCommand);
