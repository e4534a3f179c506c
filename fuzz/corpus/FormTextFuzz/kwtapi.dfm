object kwTAPI1: TkwTAPI
  Tag = 3
  Privileges = 2
  MediaModes = 12
  DebugLogFile = 'trace.log'
  AppTitle = 'It''s'#13#10'a phone'
end
