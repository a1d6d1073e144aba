"""A speech server for Orca that writes what it would say to a file.

Orca loads it as its speech server factory (the setting speechServerFactory
names this module, found on PYTHONPATH): every utterance, character and key
echo goes to the file named by $QUORVAFIX_SPEECH_LOG, one line each, as soon
as it is said; "say all" is said whole at once. Nothing is sounded.
"""
import os

from orca import speechserver


class SpeechServer(speechserver.SpeechServer):
    _active = None

    @staticmethod
    def getFactoryName():
        return "Speech log"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        if SpeechServer._active is None:
            SpeechServer._active = SpeechServer()
        return SpeechServer._active

    @staticmethod
    def shutdownActiveServers():
        SpeechServer._active = None

    def getInfo(self):
        return [self.getFactoryName(), "log"]

    def _say(self, text):
        with open(os.environ["QUORVAFIX_SPEECH_LOG"], "a", encoding="utf-8") as log:
            log.write(" ".join(str(text).split()) + "\n")

    def speak(self, text=None, acss=None, interrupt=True):
        if text:
            self._say(text)

    def speakCharacter(self, character, acss=None):
        self._say(character)

    def speakKeyEvent(self, event, acss=None):
        self._say(event.getKeyName())

    def sayAll(self, utteranceIterator, progressCallback):
        for context, acss in utteranceIterator:
            self._say(context.utterance)
            progressCallback(context, speechserver.SayAllContext.COMPLETED)
