#include "window/adapted_object.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QMetaMethod>
#include <QMetaProperty>
#include <optional>

namespace console {
namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

QString interfaceOf(const QDBusAbstractAdaptor& adaptor) {
  const QMetaObject* meta = adaptor.metaObject();
  const int index = meta->indexOfClassInfo("D-Bus Interface");
  return index < 0 ? QString() : QString::fromLatin1(meta->classInfo(index).value());
}

// The D-Bus signature of a C++ type; "" when it has none.
QString signatureOf(QMetaType type) {
  const char* signature = QDBusMetaType::typeToSignature(type);
  return signature == nullptr ? QString() : QString::fromLatin1(signature);
}

// The D-Bus signature of a value as it arrived.
QString signatureOfValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
    return qvariant_cast<QDBusArgument>(value).currentSignature();
  }
  return signatureOf(value.metaType());
}

// `value` as `type`: as it is, or taken apart when it arrived as a compound
// value. Never a conversion between types.
std::optional<QVariant> asType(const QVariant& value, QMetaType type) {
  if (value.metaType() == type) return value;
  if (value.metaType() != QMetaType::fromType<QDBusArgument>()) return std::nullopt;
  QVariant taken(type);
  if (!QDBusMetaType::demarshall(qvariant_cast<QDBusArgument>(value), type, taken.data())) {
    return std::nullopt;
  }
  return taken;
}

bool takesCall(const QMetaMethod& method, int parameter) {
  return parameter == method.parameterCount() - 1 &&
         method.parameterMetaType(parameter) == QMetaType::fromType<QDBusMessage>();
}

bool isOutput(const QMetaMethod& method, int parameter) {
  return method.parameterTypeName(parameter).endsWith('&');
}

// The type of a parameter; of an output, the type it refers to.
QMetaType parameterType(const QMetaMethod& method, int parameter) {
  if (!isOutput(method, parameter)) return method.parameterMetaType(parameter);
  return QMetaType::fromName(method.parameterTypeName(parameter).chopped(1));
}

bool returnsValue(const QMetaMethod& method) {
  return method.returnMetaType().id() != QMetaType::Void;
}

// A method as D-Bus sees it: its input and output signatures; nothing when a
// parameter has no D-Bus type.
struct Shape {
  QString in;
  QString out;
};

std::optional<Shape> shapeOf(const QMetaMethod& method) {
  Shape shape;
  if (returnsValue(method)) shape.out = signatureOf(method.returnMetaType());
  if (returnsValue(method) && shape.out.isEmpty()) return std::nullopt;
  for (int i = 0; i < method.parameterCount(); ++i) {
    if (takesCall(method, i)) continue;
    const QString signature = signatureOf(parameterType(method, i));
    if (signature.isEmpty()) return std::nullopt;
    (isOutput(method, i) ? shape.out : shape.in) += signature;
  }
  return shape;
}

// The adaptor's own exported methods and signals (not QDBusAbstractAdaptor's).
QList<QMetaMethod> exportedMethods(const QDBusAbstractAdaptor& adaptor) {
  QList<QMetaMethod> methods;
  const QMetaObject* meta = adaptor.metaObject();
  for (int i = QDBusAbstractAdaptor::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
    const QMetaMethod method = meta->method(i);
    if (method.methodType() == QMetaMethod::Signal ||
        (method.access() == QMetaMethod::Public && shapeOf(method))) {
      methods << method;
    }
  }
  return methods;
}

QList<QMetaProperty> exportedProperties(const QDBusAbstractAdaptor& adaptor) {
  QList<QMetaProperty> properties;
  const QMetaObject* meta = adaptor.metaObject();
  for (int i = QDBusAbstractAdaptor::staticMetaObject.propertyCount(); i < meta->propertyCount();
       ++i) {
    if (!signatureOf(meta->property(i).metaType()).isEmpty()) properties << meta->property(i);
  }
  return properties;
}

QString argXml(const QByteArray& name, const QString& type, const char* direction) {
  return QStringLiteral("      <arg%1 type=\"%2\"%3/>\n")
      .arg(name.isEmpty() ? QString() : QStringLiteral(" name=\"%1\"").arg(QLatin1String(name)),
           type,
           direction == nullptr
               ? QString()
               : QStringLiteral(" direction=\"%1\"").arg(QLatin1String(direction)));
}

QString methodXml(const QMetaMethod& method) {
  const bool signal = method.methodType() == QMetaMethod::Signal;
  const QString element = signal ? QStringLiteral("signal") : QStringLiteral("method");
  QString xml = QStringLiteral("    <%1 name=\"%2\">\n").arg(element, QLatin1String(method.name()));
  if (!signal && returnsValue(method))
    xml += argXml({}, signatureOf(method.returnMetaType()), "out");
  const QList<QByteArray> names = method.parameterNames();
  for (int i = 0; i < method.parameterCount(); ++i) {
    if (takesCall(method, i)) continue;
    const char* direction = signal ? nullptr : isOutput(method, i) ? "out" : "in";
    xml += argXml(names.value(i), signatureOf(parameterType(method, i)), direction);
  }
  return xml + QStringLiteral("    </%1>\n").arg(element);
}

QString interfaceXml(const QDBusAbstractAdaptor& adaptor) {
  const QMetaObject* meta = adaptor.metaObject();
  const int given = meta->indexOfClassInfo("D-Bus Introspection");
  if (given >= 0) return QString::fromUtf8(meta->classInfo(given).value());
  QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(interfaceOf(adaptor));
  for (const QMetaProperty& property : exportedProperties(adaptor)) {
    xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
               .arg(QLatin1String(property.name()), signatureOf(property.metaType()),
                    property.isWritable() ? QStringLiteral("readwrite") : QStringLiteral("read"));
  }
  for (const QMetaMethod& method : exportedMethods(adaptor)) xml += methodXml(method);
  return xml + QStringLiteral("  </interface>\n");
}

// Calls `method` of `adaptor` with the call's arguments; its reply, or an
// invalid message when the method answers the call itself.
QDBusMessage invoke(QDBusAbstractAdaptor& adaptor, const QMetaMethod& method,
                    const QDBusMessage& message) {
  const QVariantList given = message.arguments();
  QVariantList values;  // one per parameter, in order
  qsizetype next = 0;
  for (int i = 0; i < method.parameterCount(); ++i) {
    const QMetaType type = parameterType(method, i);
    if (takesCall(method, i)) {
      values << QVariant::fromValue(message);
    } else if (isOutput(method, i)) {
      values << QVariant(type);
    } else if (const std::optional<QVariant> value = asType(given.value(next++), type)) {
      values << *value;
    } else {
      return message.createErrorReply(QDBusError::InvalidArgs,
                                      QStringLiteral("argument %1 cannot be read").arg(next));
    }
  }
  QVariant result = returnsValue(method) ? QVariant(method.returnMetaType()) : QVariant();
  QList<void*> arguments{result.isValid() ? result.data() : nullptr};
  for (QVariant& value : values) arguments << value.data();
  QMetaObject::metacall(&adaptor, QMetaObject::InvokeMetaMethod, method.methodIndex(),
                        arguments.data());
  if (message.isDelayedReply()) return {};
  QVariantList out;
  if (result.isValid()) out << result;
  for (int i = 0; i < method.parameterCount(); ++i) {
    if (isOutput(method, i) && !takesCall(method, i)) out << values.at(i);
  }
  return message.createReply(out);
}

bool isPropertiesMember(const QString& member) {
  return member == QLatin1String("Get") || member == QLatin1String("Set") ||
         member == QLatin1String("GetAll");
}

}  // namespace

QList<QDBusAbstractAdaptor*> AdaptedObject::adaptors(const QString& interface) const {
  QList<QDBusAbstractAdaptor*> found;
  for (QDBusAbstractAdaptor* adaptor :
       findChildren<QDBusAbstractAdaptor*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (interface.isEmpty() || interfaceOf(*adaptor) == interface) found << adaptor;
  }
  return found;
}

QString AdaptedObject::introspect(const QString&) const {
  QString xml;
  for (const QDBusAbstractAdaptor* adaptor : adaptors(QString())) xml += interfaceXml(*adaptor);
  return xml;
}

bool AdaptedObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  const QString interface = message.interface();
  if (interface == kIntrospectable ||
      (interface.isEmpty() && message.member() == QLatin1String("Introspect"))) {
    return false;  // QtDBus answers with introspect() and the standard interfaces
  }
  const QDBusMessage reply =
      interface == kPropertiesInterface ? properties(message) : call(message);
  if (reply.type() != QDBusMessage::InvalidMessage && message.isReplyRequired()) {
    connection.send(reply);
  }
  return true;
}

QDBusMessage AdaptedObject::call(const QDBusMessage& message) const {
  const QList<QDBusAbstractAdaptor*> candidates = adaptors(message.interface());
  if (candidates.isEmpty()) {
    return message.createErrorReply(
        QDBusError::UnknownInterface,
        QStringLiteral("no interface %1 at %2").arg(message.interface(), message.path()));
  }
  QStringList expected;
  for (QDBusAbstractAdaptor* adaptor : candidates) {
    for (const QMetaMethod& method : exportedMethods(*adaptor)) {
      if (method.methodType() == QMetaMethod::Signal ||
          QLatin1String(method.name()) != message.member()) {
        continue;
      }
      const QString in = shapeOf(method)->in;
      if (in == message.signature()) return invoke(*adaptor, method, message);
      expected << QLatin1Char('(') + in + QLatin1Char(')');
    }
  }
  if (!expected.isEmpty()) {
    return message.createErrorReply(
        QDBusError::InvalidArgs,
        QStringLiteral("%1 takes %2, not (%3)")
            .arg(message.member(), expected.join(QLatin1String(" or ")), message.signature()));
  }
  return message.createErrorReply(
      QDBusError::UnknownMethod,
      QStringLiteral("no method %1 in %2").arg(message.member(), message.interface()));
}

QDBusMessage AdaptedObject::properties(const QDBusMessage& message) const {
  const QString member = message.member();
  if (!isPropertiesMember(member)) {
    return message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("no method %1 in %2").arg(member, kPropertiesInterface));
  }
  const QString wanted = member == QLatin1String("Get")   ? QStringLiteral("ss")
                         : member == QLatin1String("Set") ? QStringLiteral("ssv")
                                                          : QStringLiteral("s");
  if (message.signature() != wanted) {
    return message.createErrorReply(
        QDBusError::InvalidArgs,
        QStringLiteral("%1 takes (%2), not (%3)").arg(member, wanted, message.signature()));
  }
  const QVariantList arguments = message.arguments();
  const QString interface = arguments.at(0).toString();
  const QList<QDBusAbstractAdaptor*> owners = adaptors(interface);
  if (owners.isEmpty()) {
    return message.createErrorReply(
        QDBusError::UnknownInterface,
        QStringLiteral("no interface %1 at %2").arg(interface, message.path()));
  }
  if (member == QLatin1String("GetAll")) {
    QVariantMap all;
    for (QDBusAbstractAdaptor* owner : owners) {
      for (const QMetaProperty& property : exportedProperties(*owner)) {
        all.insert(QLatin1String(property.name()), property.read(owner));
      }
    }
    return message.createReply(QVariant::fromValue(all));
  }
  const QString name = arguments.at(1).toString();
  for (QDBusAbstractAdaptor* owner : owners) {
    for (const QMetaProperty& property : exportedProperties(*owner)) {
      if (QLatin1String(property.name()) != name) continue;
      if (member == QLatin1String("Get")) {
        return message.createReply(QVariant::fromValue(QDBusVariant(property.read(owner))));
      }
      if (!property.isWritable()) {
        return message.createErrorReply(QDBusError::PropertyReadOnly,
                                        QStringLiteral("%1 is read-only").arg(name));
      }
      const QVariant value = qvariant_cast<QDBusVariant>(arguments.at(2)).variant();
      const QString type = signatureOf(property.metaType());
      const std::optional<QVariant> typed =
          signatureOfValue(value) == type ? asType(value, property.metaType()) : std::nullopt;
      if (!typed) {
        return message.createErrorReply(QDBusError::InvalidArgs,
                                        QStringLiteral("%1 is of type '%2', not '%3'")
                                            .arg(name, type, signatureOfValue(value)));
      }
      if (!property.write(owner, *typed)) {
        return message.createErrorReply(QDBusError::Failed,
                                        QStringLiteral("%1 could not be set").arg(name));
      }
      return message.createReply();
    }
  }
  return message.createErrorReply(QDBusError::UnknownProperty,
                                  QStringLiteral("no property %1 in %2")
                                      .arg(name, interface.isEmpty() ? message.path() : interface));
}

void propertiesChanged(const QDBusConnection& connection, const QString& path,
                       const QString& interface, const QVariantMap& values) {
  QDBusMessage signal =
      QDBusMessage::createSignal(path, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
  signal << interface << QVariant::fromValue(values) << QStringList();
  connection.send(signal);
}

}  // namespace console
