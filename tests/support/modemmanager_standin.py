# SPDX-License-Identifier: GPL-3.0-or-later
'''ModemManager stand-in for the tests: a python-dbusmock template on a private system bus.

It exposes what the program uses of ModemManager, with the object paths, interfaces and signatures of
ModemManager's own introspection data: the ObjectManager at /org/freedesktop/ModemManager1, Modem objects
(org.freedesktop.ModemManager1.Modem and, for a modem with voice, .Modem.Voice) and Call objects
(org.freedesktop.ModemManager1.Call). A call started goes to dialing, then after a scripted delay to active
(or ends, as the script says). Every method call on these interfaces lands in one journal, in order.

The test drives it through org.freedesktop.DBus.Mock on the main object: AddModem, SetModemState,
SetCallScript, Journal.
'''

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
VOICE_IFACE = 'org.freedesktop.ModemManager1.Modem.Voice'
CALL_IFACE = 'org.freedesktop.ModemManager1.Call'

# MMCallState and MMCallStateReason
CALL_UNKNOWN, CALL_DIALING, CALL_RINGING_OUT, CALL_ACTIVE, CALL_TERMINATED = 0, 1, 2, 4, 7
REASON_OUTGOING_STARTED, REASON_ACCEPTED, REASON_TERMINATED, REASON_REFUSED_OR_BUSY = 1, 3, 4, 5

journal = []
script = {'outcome': 'answer', 'delay_ms': 50}
call_count = [0]


def note(line):
    journal.append(line)


def call_id(path):
    return str(path).rsplit('/', 1)[-1]


def set_call_state(call, new, reason):
    old = call.props[CALL_IFACE]['State']
    call.UpdateProperties(CALL_IFACE, {'State': dbus.Int32(new), 'StateReason': dbus.Int32(reason)})
    call.EmitSignal(CALL_IFACE, 'StateChanged', 'iiu', [dbus.Int32(old), dbus.Int32(new), dbus.UInt32(reason)])


def call_start(call):
    note('Start ' + call_id(call.path))
    if call.props[CALL_IFACE]['State'] != CALL_UNKNOWN:
        raise dbus.exceptions.DBusException('Call already started',
                                            name='org.freedesktop.ModemManager1.Error.Core.WrongState')
    set_call_state(call, CALL_DIALING, REASON_OUTGOING_STARTED)

    def settle():
        if call.props[CALL_IFACE]['State'] == CALL_TERMINATED:
            return False
        if script['outcome'] == 'fail':
            set_call_state(call, CALL_TERMINATED, REASON_REFUSED_OR_BUSY)
        else:
            set_call_state(call, CALL_RINGING_OUT, REASON_OUTGOING_STARTED)
            set_call_state(call, CALL_ACTIVE, REASON_ACCEPTED)
        return False

    GLib.timeout_add(script['delay_ms'], settle)


def call_hangup(call):
    note('Hangup ' + call_id(call.path))
    if call.props[CALL_IFACE]['State'] == CALL_TERMINATED:
        raise dbus.exceptions.DBusException('Call already ended',
                                            name='org.freedesktop.ModemManager1.Error.Core.WrongState')
    set_call_state(call, CALL_TERMINATED, REASON_TERMINATED)


def call_send_dtmf(call, dtmf):
    note('SendDtmf %s %s' % (call_id(call.path), dtmf))
    if call.props[CALL_IFACE]['State'] != CALL_ACTIVE:
        raise dbus.exceptions.DBusException('Call not active',
                                            name='org.freedesktop.ModemManager1.Error.Core.WrongState')
    if script['outcome'] == 'refuse-dtmf':
        raise dbus.exceptions.DBusException('DTMF refused', name='org.freedesktop.ModemManager1.Error.Core.Failed')


def voice_create_call(modem, properties):
    number = str(properties.get('number', ''))
    call_count[0] += 1
    path = '/org/freedesktop/ModemManager1/Call/%d' % call_count[0]
    note('CreateCall %s -> %s' % (number, call_id(path)))
    if not number:
        raise dbus.exceptions.DBusException('No number', name='org.freedesktop.ModemManager1.Error.Core.InvalidArgs')
    main = mockobject.objects[MAIN_OBJ]
    main.AddObject(path, CALL_IFACE, {
        'State': dbus.Int32(CALL_UNKNOWN),
        'StateReason': dbus.Int32(0),
        'Direction': dbus.Int32(2),  # outgoing
        'Number': dbus.String(number),
        'Multiparty': dbus.Boolean(False),
        'AudioPort': dbus.String(''),
        'AudioFormat': dbus.Dictionary({}, signature='sv'),
    }, [])
    call = mockobject.objects[path]
    call.AddMethod(CALL_IFACE, 'Start', '', '', call_start)
    call.AddMethod(CALL_IFACE, 'Hangup', '', '', call_hangup)
    call.AddMethod(CALL_IFACE, 'SendDtmf', 's', '', call_send_dtmf)
    call.AddMethod(CALL_IFACE, 'Accept', '', '', lambda self: note('Accept ' + call_id(self.path)))
    calls = list(modem.props[VOICE_IFACE]['Calls']) + [dbus.ObjectPath(path)]
    modem.UpdateProperties(VOICE_IFACE, {'Calls': dbus.Array(calls, signature='o')})
    modem.EmitSignal(VOICE_IFACE, 'CallAdded', 'o', [dbus.ObjectPath(path)])
    return dbus.ObjectPath(path)


def voice_list_calls(modem):
    note('ListCalls')
    return dbus.Array(modem.props[VOICE_IFACE]['Calls'], signature='o')


def voice_delete_call(modem, path):
    note('DeleteCall ' + call_id(path))
    calls = [c for c in modem.props[VOICE_IFACE]['Calls'] if c != path]
    modem.UpdateProperties(VOICE_IFACE, {'Calls': dbus.Array(calls, signature='o')})
    mockobject.objects[MAIN_OBJ].RemoveObject(path)
    modem.EmitSignal(VOICE_IFACE, 'CallDeleted', 'o', [dbus.ObjectPath(path)])


def load(mock, parameters):
    del journal[:]
    call_count[0] = 0


@dbus.service.method(MOCK_IFACE, in_signature='issib', out_signature='o')
def AddModem(self, index, equipment, model, state, voice):
    path = '/org/freedesktop/ModemManager1/Modem/%d' % index
    self.AddObject(path, MODEM_IFACE, {
        'State': dbus.Int32(state),
        'EquipmentIdentifier': dbus.String(equipment),
        'Model': dbus.String(model),
        'Manufacturer': dbus.String('Stand-in'),
        'Device': dbus.String('/sys/devices/stand-in/%d' % index),
        'PrimaryPort': dbus.String('cdc-wdm%d' % index),
    }, [])
    modem = mockobject.objects[path]
    if voice:
        modem.AddProperties(VOICE_IFACE, {'Calls': dbus.Array([], signature='o'),
                                          'EmergencyOnly': dbus.Boolean(False)})
        modem.AddMethod(VOICE_IFACE, 'CreateCall', 'a{sv}', 'o', voice_create_call)
        modem.AddMethod(VOICE_IFACE, 'ListCalls', '', 'ao', voice_list_calls)
        modem.AddMethod(VOICE_IFACE, 'DeleteCall', 'o', '', voice_delete_call)
    self.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', 'oa{sa{sv}}',
                    [dbus.ObjectPath(path), modem.props])
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='oi', out_signature='')
def SetModemState(self, path, state):
    mockobject.objects[path].UpdateProperties(MODEM_IFACE, {'State': dbus.Int32(state)})


@dbus.service.method(MOCK_IFACE, in_signature='su', out_signature='')
def SetCallScript(self, outcome, delay_ms):
    script['outcome'] = str(outcome)
    script['delay_ms'] = int(delay_ms)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Journal(self):
    return dbus.Array(journal, signature='s')


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def EndCalls(self):
    '''The far end hangs up every call that is up.'''
    for path, obj in list(mockobject.objects.items()):
        if CALL_IFACE in obj.props and obj.props[CALL_IFACE]['State'] != CALL_TERMINATED:
            set_call_state(obj, CALL_TERMINATED, REASON_TERMINATED)
