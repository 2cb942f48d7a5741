<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CommandNames</name>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>正转</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>反转</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>停机</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>自由停机</source>
        <translation>Coast stop</translation>
    </message>
    <message>
        <source>紧急停机</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>故障复位</source>
        <translation>Fault reset</translation>
    </message>
    <message>
        <source>隐藏</source>
        <translation>Hidden</translation>
    </message>
    <message>
        <source>无端口</source>
        <translation>No port</translation>
    </message>
    <message>
        <source>无效验</source>
        <translation>No parity</translation>
    </message>
    <message>
        <source>偶效验</source>
        <translation>Even parity</translation>
    </message>
    <message>
        <source>奇效验</source>
        <translation>Odd parity</translation>
    </message>
</context>
<context>
    <name>LanguageChoice</name>
    <message>
        <source>--language 缺少取值（zh 或 en）</source>
        <translation>--language needs a value (zh or en)</translation>
    </message>
    <message>
        <source>--language 只能是 zh 或 en：</source>
        <translation>--language takes zh or en only: </translation>
    </message>
</context>
<context>
    <name>OperatorMessages</name>
    <message>
        <source>信息提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>该操作需要工程师权限，请先输入工程师密码。</source>
        <translation>This needs engineer access; enter the engineer PIN first.</translation>
    </message>
</context>
<context>
    <name>StateTexts</name>
    <message>
        <source>功率器件保护</source>
        <translation>Power module protection</translation>
    </message>
    <message>
        <source>过压保护</source>
        <translation>Overvoltage protection</translation>
    </message>
    <message>
        <source>过流保护</source>
        <translation>Overcurrent protection</translation>
    </message>
    <message>
        <source>过热保护</source>
        <translation>Overheat protection</translation>
    </message>
    <message>
        <source>欠压保护</source>
        <translation>Undervoltage protection</translation>
    </message>
    <message>
        <source>外部故障</source>
        <translation>External fault</translation>
    </message>
    <message>
        <source>电机负载过重</source>
        <translation>Motor load too heavy</translation>
    </message>
    <message>
        <source>过电流保护</source>
        <translation>Overcurrent protection</translation>
    </message>
    <message>
        <source>输出缺相保护</source>
        <translation>Output phase loss protection</translation>
    </message>
    <message>
        <source>过载保护</source>
        <translation>Overload protection</translation>
    </message>
    <message>
        <source>外部报警</source>
        <translation>External alarm</translation>
    </message>
    <message>
        <source>输入缺相</source>
        <translation>Input phase loss</translation>
    </message>
    <message>
        <source>电流传感器异常</source>
        <translation>Current sensor fault</translation>
    </message>
    <message>
        <source>温度传感器异常</source>
        <translation>Temperature sensor fault</translation>
    </message>
    <message>
        <source>存储失败</source>
        <translation>Storage failed</translation>
    </message>
    <message>
        <source>启动瞬间过流</source>
        <translation>Overcurrent at start</translation>
    </message>
    <message>
        <source>加速运行过流</source>
        <translation>Overcurrent during acceleration</translation>
    </message>
    <message>
        <source>减速运行过流</source>
        <translation>Overcurrent during deceleration</translation>
    </message>
    <message>
        <source>恒速运行过流</source>
        <translation>Overcurrent at constant speed</translation>
    </message>
    <message>
        <source>加速运行过压</source>
        <translation>Overvoltage during acceleration</translation>
    </message>
    <message>
        <source>减速运行过压</source>
        <translation>Overvoltage during deceleration</translation>
    </message>
    <message>
        <source>待机时过压</source>
        <translation>Overvoltage at standby</translation>
    </message>
    <message>
        <source>运行中欠压</source>
        <translation>Undervoltage while running</translation>
    </message>
    <message>
        <source>输出缺相</source>
        <translation>Output phase loss</translation>
    </message>
    <message>
        <source>变频器过热</source>
        <translation>Drive overheat</translation>
    </message>
    <message>
        <source>变频器过载</source>
        <translation>Drive overload</translation>
    </message>
    <message>
        <source>电机过载</source>
        <translation>Motor overload</translation>
    </message>
    <message>
        <source>变频器欠载</source>
        <translation>Drive underload</translation>
    </message>
    <message>
        <source>比较器1输出保护</source>
        <translation>Comparator 1 output protection</translation>
    </message>
    <message>
        <source>比较器2输出保护</source>
        <translation>Comparator 2 output protection</translation>
    </message>
    <message>
        <source>参数存储失败</source>
        <translation>Parameter storage failed</translation>
    </message>
    <message>
        <source>通讯异常</source>
        <translation>Communication fault</translation>
    </message>
    <message>
        <source>电流检测故障</source>
        <translation>Current detection fault</translation>
    </message>
    <message>
        <source>自整定不良</source>
        <translation>Autotuning failed</translation>
    </message>
    <message>
        <source>模拟输入掉线</source>
        <translation>Analog input lost</translation>
    </message>
    <message>
        <source>PG掉线</source>
        <translation>Encoder (PG) lost</translation>
    </message>
    <message>
        <source>热敏电阻开路</source>
        <translation>Thermistor open circuit</translation>
    </message>
    <message>
        <source>异常停机故障</source>
        <translation>Abnormal stop fault</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>操作面板掉线</source>
        <translation>Keypad disconnected</translation>
    </message>
    <message>
        <source>恒速运行过压</source>
        <translation>Overvoltage at constant speed</translation>
    </message>
    <message>
        <source>运行时母线欠压</source>
        <translation>Bus undervoltage while running</translation>
    </message>
    <message>
        <source>控制电源过压</source>
        <translation>Control supply overvoltage</translation>
    </message>
    <message>
        <source>输入侧缺相</source>
        <translation>Input phase loss</translation>
    </message>
    <message>
        <source>输出侧缺相</source>
        <translation>Output phase loss</translation>
    </message>
    <message>
        <source>输出侧接地</source>
        <translation>Output earth fault</translation>
    </message>
    <message>
        <source>逆变模块保护</source>
        <translation>Inverter module protection</translation>
    </message>
    <message>
        <source>逆变散热器过热</source>
        <translation>Inverter heatsink overheat</translation>
    </message>
    <message>
        <source>整流桥散热器过热</source>
        <translation>Rectifier heatsink overheat</translation>
    </message>
    <message>
        <source>电机过热</source>
        <translation>Motor overheat</translation>
    </message>
    <message>
        <source>EEPROM读写故障</source>
        <translation>EEPROM read/write fault</translation>
    </message>
    <message>
        <source>操作面板参数拷贝出错</source>
        <translation>Keypad parameter copy error</translation>
    </message>
    <message>
        <source>充电接触器异常</source>
        <translation>Charging contactor fault</translation>
    </message>
    <message>
        <source>电流检测电路故障</source>
        <translation>Current detection circuit fault</translation>
    </message>
    <message>
        <source>系统干扰</source>
        <translation>System interference</translation>
    </message>
    <message>
        <source>AI1信号丢失</source>
        <translation>AI1 signal lost</translation>
    </message>
    <message>
        <source>PG信号丢失</source>
        <translation>Encoder (PG) signal lost</translation>
    </message>
    <message>
        <source>速度偏差过大</source>
        <translation>Speed deviation too large</translation>
    </message>
    <message>
        <source>超速</source>
        <translation>Overspeed</translation>
    </message>
    <message>
        <source>控制故障</source>
        <translation>Control fault</translation>
    </message>
    <message>
        <source>E15欠压</source>
        <translation>E15 undervoltage</translation>
    </message>
    <message>
        <source>AD基准欠压</source>
        <translation>A/D reference undervoltage</translation>
    </message>
    <message>
        <source>输出电机检测故障</source>
        <translation>Output motor detection fault</translation>
    </message>
    <message>
        <source>操作面板异常</source>
        <translation>Keypad fault</translation>
    </message>
    <message>
        <source>运行中过压</source>
        <translation>Overvoltage while running</translation>
    </message>
    <message>
        <source>直流母线欠压</source>
        <translation>DC bus undervoltage</translation>
    </message>
    <message>
        <source>PG断线</source>
        <translation>Encoder (PG) wire break</translation>
    </message>
    <message>
        <source>参数检查错误</source>
        <translation>Parameter check error</translation>
    </message>
    <message>
        <source>操作面板数据不一致</source>
        <translation>Keypad data mismatch</translation>
    </message>
    <message>
        <source>参数上传失败</source>
        <translation>Parameter upload failed</translation>
    </message>
    <message>
        <source>未知代码</source>
        <translation>Unknown code</translation>
    </message>
    <message>
        <source>通讯断线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>故障中</source>
        <translation>Tripped</translation>
    </message>
    <message>
        <source>报警中</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>正向运转</source>
        <translation>Running forward</translation>
    </message>
    <message>
        <source>反向运转</source>
        <translation>Running reverse</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>不能识别的故障</source>
        <translation>Unrecognised fault</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
</context>
<context>
    <name>velkaro::AboutDialog</name>
    <message>
        <source>关于 Velkaro</source>
        <translation>About Velkaro</translation>
    </message>
    <message>
        <source>Velkaro1.11 测试版</source>
        <translation>Velkaro 1.11 beta</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>velkaro::ActionRecordsWindow</name>
    <message>
        <source>操作记录</source>
        <translation>Action records</translation>
    </message>
    <message>
        <source> 小时</source>
        <translation> h</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>导出CSV...</source>
        <translation>Export CSV...</translation>
    </message>
    <message>
        <source>最近</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>账户</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>导出操作记录</source>
        <translation>Export action records</translation>
    </message>
    <message>
        <source>操作记录.csv</source>
        <translation>action-records.csv</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>正在读取...</source>
        <translation>Reading...</translation>
    </message>
    <message>
        <source>读取失败：%1</source>
        <translation>Reading failed: %1</translation>
    </message>
    <message>
        <source>数据源忙，请稍后再查询</source>
        <translation>The data source is busy; query again later</translation>
    </message>
    <message>
        <source>显示最新的 %1 条记录（时间段内还有更早的记录）</source>
        <translation>Showing the latest %1 records (the period holds older ones too)</translation>
    </message>
    <message>
        <source>共 %1 条记录</source>
        <translation>%1 records</translation>
    </message>
    <message>
        <source>正在导出...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>%1 条记录已导出到 %2</source>
        <translation>%1 records exported to %2</translation>
    </message>
    <message>
        <source>数据源忙，请稍后再导出</source>
        <translation>The data source is busy; export again later</translation>
    </message>
</context>
<context>
    <name>velkaro::AmendDialog</name>
    <message>
        <source>新的参数值不是有效的数值，请重新输入。</source>
        <translation>The new value is not a valid number. Please enter it again.</translation>
    </message>
    <message>
        <source>新的参数值超出该参数的寄存器范围（%1～%2），请重新输入。</source>
        <translation>The new value is outside the parameter&apos;s register range (%1 to %2). Please enter it again.</translation>
    </message>
    <message>
        <source>变频器参数修改</source>
        <translation>Change drive parameter</translation>
    </message>
    <message>
        <source>    请在下面输入新的参数值，并选择是否保存到变频器EEPRAM中，按“保存”完成修改。</source>
        <translation>    Enter the new value below, choose whether to store it in the drive&apos;s EEPROM, and press &quot;Save&quot;.</translation>
    </message>
    <message>
        <source>参数编号</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>参数范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>当前参数值</source>
        <translation>Present value</translation>
    </message>
    <message>
        <source>新的参数值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>velkaro::ComparisonModel</name>
    <message>
        <source>功能组</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
</context>
<context>
    <name>velkaro::ComparisonWindow</name>
    <message>
        <source>参数对比</source>
        <translation>Parameter comparison</translation>
    </message>
    <message>
        <source>左：%1
右：%2</source>
        <translation>Left: %1
Right: %2</translation>
    </message>
    <message>
        <source>全部功能组</source>
        <translation>All groups</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>另存为...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>功能组：</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>对比结果(*.csv)</source>
        <translation>Comparison (*.csv)</translation>
    </message>
    <message>
        <source>对比结果“%1”无法写入，请检查文件夹和文件名。</source>
        <translation>The comparison &quot;%1&quot; cannot be written. Check the folder and the file name.</translation>
    </message>
    <message>
        <source>%1 项不同，%2 项相同</source>
        <translation>%1 different, %2 the same</translation>
    </message>
</context>
<context>
    <name>velkaro::ConnectionDialog</name>
    <message>
        <source>连接控制</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>快速应答识别</source>
        <translation>Fast reply detection</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>通讯选项</source>
        <translation>Line settings</translation>
    </message>
    <message>
        <source>串口选择</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>波特率选择</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>奇偶效验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位数</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>超时时间</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>连接一台变频器</source>
        <translation>Connect one drive</translation>
    </message>
    <message>
        <source>搜索并连接变频器</source>
        <translation>Search and connect drives</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>搜寻长度</source>
        <translation>Addresses</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>%1 经网络连接：
%2
波特率、奇偶效验、数据长度和停止位由串口服务器或网关设定，此处的设置不起作用。</source>
        <translation>%1 is connected over the network:
%2
Baud rate, parity, data bits and stop bits are set on the serial server or gateway; the settings here have no effect.</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>请输入一个介于 %1 和 %2 之间的整数。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>通讯参数检测正在进行，检测结束后才能应用通讯参数。</source>
        <translation>The line settings search is running; line settings can be applied once it has ended.</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
</context>
<context>
    <name>velkaro::DisplayOptionsDialog</name>
    <message>
        <source>显示属性</source>
        <translation>Display options</translation>
    </message>
    <message>
        <source>显示数据的存储时间</source>
        <translation>Show the last</translation>
    </message>
    <message>
        <source>小时以内</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>数据采集间隙时间</source>
        <translation>Recording interval</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>数据最大存储时间</source>
        <translation>Keep records for</translation>
    </message>
    <message>
        <source>小时</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>显示的变频器名字</source>
        <translation>Drive shown</translation>
    </message>
    <message>
        <source>本站站名</source>
        <translation>Station name</translation>
    </message>
    <message>
        <source>站名由命令行 --station 给定</source>
        <translation>The station name was given with --station on the command line</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>更改的语言在下次启动时生效</source>
        <translation>Applies at the next start</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请输入 %1 到 %2 之间的整数。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>站名不能保存（设置文件不能写入），只用于本次运行。</source>
        <translation>The station name cannot be kept (the settings file cannot be written); it is used for this run only.</translation>
    </message>
    <message>
        <source>语言不能保存（设置文件不能写入）。</source>
        <translation>The language cannot be kept (the settings file cannot be written).</translation>
    </message>
</context>
<context>
    <name>velkaro::EngineerPinDialog</name>
    <message>
        <source>工程师解锁</source>
        <translation>Engineer unlock</translation>
    </message>
    <message>
        <source>该操作需要工程师权限，请输入工程师密码：</source>
        <translation>This needs engineer access. Enter the engineer PIN:</translation>
    </message>
    <message>
        <source>工程师密码：</source>
        <translation>Engineer PIN:</translation>
    </message>
    <message>
        <source>工程师密码</source>
        <translation>Engineer PIN</translation>
    </message>
    <message>
        <source>参数修改、参数导入、存储EEPROM、通讯参数更改、
名字更改和断开连接需要工程师密码；
新密码留空则取消密码，所有操作不再受限。</source>
        <translation>Changing parameters, importing parameters, storing to EEPROM, changing line settings,
renaming and disconnecting need the engineer PIN;
leave the new PIN empty to remove it and allow everything.</translation>
    </message>
    <message>
        <source> 分钟</source>
        <translation> min</translation>
    </message>
    <message>
        <source>新密码：</source>
        <translation>New PIN:</translation>
    </message>
    <message>
        <source>再输入一次：</source>
        <translation>Repeat:</translation>
    </message>
    <message>
        <source>解锁时长：</source>
        <translation>Unlocked for:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>密码错误！</source>
        <translation>Wrong PIN!</translation>
    </message>
    <message>
        <source>连续三次密码错误，请一分钟后再试！</source>
        <translation>Three wrong PINs in a row; try again in one minute!</translation>
    </message>
    <message>
        <source>输入已锁定，请 %1 秒后再试！</source>
        <translation>Entry is locked; try again in %1 s!</translation>
    </message>
    <message>
        <source>两次输入的密码不一致！</source>
        <translation>The two PINs differ!</translation>
    </message>
    <message>
        <source>请先用现在的密码解锁！</source>
        <translation>Unlock with the present PIN first!</translation>
    </message>
    <message>
        <source>密码未保存：%1</source>
        <translation>PIN not saved: %1</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryExport</name>
    <message>
        <source>运行记录-%1.csv</source>
        <translation>run-records-%1.csv</translation>
    </message>
    <message>
        <source>导出运行记录</source>
        <translation>Export run records</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>正在导出运行记录...</source>
        <translation>Exporting run records...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>已导出 %1 条记录到 %2</source>
        <translation>%1 records exported to %2</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryModel</name>
    <message>
        <source>记录时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>工作状态</source>
        <translation>State</translation>
    </message>
</context>
<context>
    <name>velkaro::HistoryPanel</name>
    <message>
        <source>运行记录</source>
        <translation>Run records</translation>
    </message>
    <message>
        <source>实时刷新记录</source>
        <translation>Refresh live</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>导出...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>反向运转 电机负载过重</source>
        <translation>Running reverse Motor load too heavy</translation>
    </message>
</context>
<context>
    <name>velkaro::LineChangeGuard</name>
    <message>
        <source>以下变频器正在运行，改变通讯参数后将失去监控：</source>
        <translation>These drives are running and will not be supervised after the line settings change:</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>确定要改变通讯参数吗？</source>
        <translation>Change the line settings?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>velkaro::LineFinderDialog</name>
    <message>
        <source>检测通讯参数</source>
        <translation>Find line settings</translation>
    </message>
    <message>
        <source>逐一试验全部波特率、校验、数据位和停止位，每种设置下对各地址做回送测试。</source>
        <translation>Tries every baud rate, parity, data bits and stop bits in turn, with an echo test to each address under each setting.</translation>
    </message>
    <message>
        <source>开始检测</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用所选参数</source>
        <translation>Apply selected</translation>
    </message>
    <message>
        <source>起始地址：</source>
        <translation>First address:</translation>
    </message>
    <message>
        <source>地址个数：</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>等待通讯空闲...</source>
        <translation>Waiting for the line to be free...</translation>
    </message>
    <message>
        <source>正在试验 %1（%2/%3）</source>
        <translation>Trying %1 (%2/%3)</translation>
    </message>
    <message>
        <source>检测未能完成。</source>
        <translation>The search could not finish.</translation>
    </message>
    <message>
        <source>在 %1 种设置下有变频器应答。选中一种后按“应用所选参数”。</source>
        <translation>Drives answered under %1 settings. Select one and press &quot;Apply selected&quot;.</translation>
    </message>
    <message>
        <source>检测已取消，没有变频器应答。</source>
        <translation>Search cancelled; no drive answered.</translation>
    </message>
    <message>
        <source>在任何设置下都没有变频器应答。</source>
        <translation>No drive answered under any setting.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>该结果是在 %1上检测到的，当前端口为 %2，不能应用。请在当前端口上重新检测通讯参数。</source>
        <translation>This result was found on %1, the port now is %2, so it cannot be applied. Search the line settings again on the present port.</translation>
    </message>
    <message>
        <source>已应用 %1。</source>
        <translation>Applied %1.</translation>
    </message>
</context>
<context>
    <name>velkaro::LinkCountersModel</name>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timeouts</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retries</translation>
    </message>
    <message>
        <source>CRC错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>残帧</source>
        <translation>Broken frames</translation>
    </message>
    <message>
        <source>他址帧</source>
        <translation>Other address</translation>
    </message>
    <message>
        <source>迟到</source>
        <translation>Late</translation>
    </message>
    <message>
        <source>短应答</source>
        <translation>Short replies</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Exceptions</translation>
    </message>
    <message>
        <source>最近(ms)</source>
        <translation>Last (ms)</translation>
    </message>
    <message>
        <source>最小(ms)</source>
        <translation>Min (ms)</translation>
    </message>
    <message>
        <source>平均(ms)</source>
        <translation>Mean (ms)</translation>
    </message>
    <message>
        <source>最大(ms)</source>
        <translation>Max (ms)</translation>
    </message>
    <message>
        <source>最后应答</source>
        <translation>Last reply</translation>
    </message>
    <message>
        <source>地址搜寻</source>
        <translation>Address search</translation>
    </message>
</context>
<context>
    <name>velkaro::LinkDiagnosticsWindow</name>
    <message>
        <source>通讯诊断</source>
        <translation>Line diagnostics</translation>
    </message>
    <message>
        <source>通讯统计</source>
        <translation>Counters</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>最近、最小、平均、最大：应答时间，自请求发出至应答帧收完。</source>
        <translation>Last, min, mean, max: reply time, from sending the request to the end of the reply.</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>变频器：</source>
        <translation>Drive:</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>通讯记录(*.txt)</source>
        <translation>Traffic (*.txt)</translation>
    </message>
    <message>
        <source>通讯记录无法保存到“%1”：%2</source>
        <translation>The traffic cannot be saved to &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>velkaro::LiveCurveWindow</name>
    <message>
        <source>实时曲线</source>
        <translation>Live curves</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Curves</translation>
    </message>
    <message>
        <source>最近1分钟</source>
        <translation>Last minute</translation>
    </message>
    <message>
        <source>最近5分钟</source>
        <translation>Last 5 minutes</translation>
    </message>
    <message>
        <source>最近10分钟</source>
        <translation>Last 10 minutes</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>保存数据...</source>
        <translation>Save data...</translation>
    </message>
    <message>
        <source>保存图片...</source>
        <translation>Save picture...</translation>
    </message>
    <message>
        <source>不能保存数据 %1：无法写入该文件。</source>
        <translation>Cannot save the data %1: the file cannot be written.</translation>
    </message>
    <message>
        <source>不能保存图片 %1：无法写入该文件。</source>
        <translation>Cannot save the picture %1: the file cannot be written.</translation>
    </message>
    <message>
        <source>CSV 文件(*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>图片(*.png)</source>
        <translation>Pictures (*.png)</translation>
    </message>
    <message>
        <source>输出频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>Bus voltage</translation>
    </message>
    <message>
        <source>输出转矩</source>
        <translation>Output torque</translation>
    </message>
</context>
<context>
    <name>velkaro::LivePlot</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>velkaro::Main</name>
    <message>
        <source>用法：velkaro [选项]

变频器工作站：一个窗口管理 RS-485 总线（或网络端口）上的变频器。

选项：
  --language zh|en
                  显示语言：zh 中文，en 英文（默认为在“选项”中选定的语言，
                  未选定时按 LANGUAGE、LC_ALL、LC_MESSAGES、LANG 的区域设置）
  --station 站名  本站站名：运行记录的站名一列，历史和趋势只显示本站的记录
                  （默认为在“选项”中设定的站名，未设定时为主机名）
  -h, --help      显示本说明后退出
  --version       显示版本后退出
Qt 程序的通用选项（如 -platform offscreen、-style fusion）同样可用。

环境变量：
  VELKARO_COMn    端口 COMn（1..8）所用的设备：设备路径、tcp://主机:端口 或
                  modbus-tcp://主机:端口；未设置时为 /dev/ttyUSB(n-1)（若存在），
                  否则 /dev/ttyS(n-1)。
  ODBCINI         用户的 ODBC 数据源文件（默认 ~/.odbc.ini）
  XDG_DATA_HOME   SQLite 运行记录数据库所在的文件夹（默认 ~/.local/share）

详见 man velkaro。
</source>
        <translation>Usage: velkaro [OPTION]...

The drive station: one window over the variable-frequency drives on an RS-485
bus (or a network port).

Options:
  --language zh|en
                  language of the windows: zh Chinese, en English (default: the
                  one chosen in Options, else the locale: LANGUAGE, LC_ALL,
                  LC_MESSAGES, LANG)
  --station NAME  this station&apos;s name: the station column of the run records;
                  history and trends show this station&apos;s records only
                  (default: the name set in Options, else the host name)
  -h, --help      show this help and exit
  --version       show the version and exit
The standard options of Qt programs (such as -platform offscreen, -style fusion)
work as well.

Environment:
  VELKARO_COMn    the device for port COMn (1..8): a device path, tcp://HOST:PORT
                  or modbus-tcp://HOST:PORT; when unset /dev/ttyUSB(n-1) if it
                  exists, else /dev/ttyS(n-1).
  ODBCINI         the user&apos;s ODBC data source file (default ~/.odbc.ini)
  XDG_DATA_HOME   the folder of the SQLite run-record database
                  (default ~/.local/share)

See man velkaro.
</translation>
    </message>
    <message>
        <source>选项缺少取值</source>
        <translation>option needs a value</translation>
    </message>
    <message>
        <source>未知选项</source>
        <translation>unknown option</translation>
    </message>
    <message>
        <source>多余的参数</source>
        <translation>unexpected argument</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>请用 velkaro --help 查看用法。</source>
        <translation>Try velkaro --help for the usage.</translation>
    </message>
</context>
<context>
    <name>velkaro::MainWindow</name>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>实时曲线...</source>
        <translation>Live curves...</translation>
    </message>
    <message>
        <source>系统管理</source>
        <translation>System</translation>
    </message>
    <message>
        <source>增加连接</source>
        <translation>Add connection</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>名字更改</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>趋势图...</source>
        <translation>Trends...</translation>
    </message>
    <message>
        <source>通讯诊断...</source>
        <translation>Line diagnostics...</translation>
    </message>
    <message>
        <source>检测通讯参数...</source>
        <translation>Find line settings...</translation>
    </message>
    <message>
        <source>操作记录...</source>
        <translation>Action records...</translation>
    </message>
    <message>
        <source>工程师密码...</source>
        <translation>Engineer PIN...</translation>
    </message>
    <message>
        <source>锁定工程师权限</source>
        <translation>Lock engineer access</translation>
    </message>
    <message>
        <source>消息记录...</source>
        <translation>Messages...</translation>
    </message>
    <message>
        <source>退          出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>变频器操作</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>启    动</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>停    车</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>自由停车</source>
        <translation>Coast stop</translation>
    </message>
    <message>
        <source>故障复位</source>
        <translation>Fault reset</translation>
    </message>
    <message>
        <source>参数导入</source>
        <translation>Import parameters</translation>
    </message>
    <message>
        <source>参数导出</source>
        <translation>Export parameters</translation>
    </message>
    <message>
        <source>参数报表...</source>
        <translation>Parameter report...</translation>
    </message>
    <message>
        <source>参数对比...</source>
        <translation>Compare parameters...</translation>
    </message>
    <message>
        <source>软件帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>使用Velkaro</source>
        <translation>Using Velkaro</translation>
    </message>
    <message>
        <source>关于Velkaro</source>
        <translation>About Velkaro</translation>
    </message>
    <message>
        <source>无效验</source>
        <translation>No parity</translation>
    </message>
    <message>
        <source>错误! 不能加载数据库!</source>
        <translation>Error! The database cannot be loaded!</translation>
    </message>
    <message>
        <source>串口 %1 不能打开：%2</source>
        <translation>The serial port %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>关于 Velkaro(&amp;A)...</source>
        <translation>&amp;About Velkaro...</translation>
    </message>
    <message>
        <source>未设置工程师密码，任何人都可以修改参数；可在“系统管理 → 工程师密码...”中设置。</source>
        <translation>No engineer PIN is set, so anyone can change parameters; set one in &quot;System → Engineer PIN...&quot;.</translation>
    </message>
    <message>
        <source>变频器 %1 正在点动运行，断开连接前将先停止点动。</source>
        <translation>Drive %1 is jogging; the jog is stopped before it is disconnected.</translation>
    </message>
    <message>
        <source>变频器 %1 正在运行，断开连接后将失去监控。</source>
        <translation>Drive %1 is running and will not be supervised once disconnected.</translation>
    </message>
    <message>
        <source>确定要断开连接吗？</source>
        <translation>Disconnect it?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>变频器名字不能为空！</source>
        <translation>The drive name cannot be empty!</translation>
    </message>
    <message>
        <source>该名字已经存在！</source>
        <translation>That name is already in use!</translation>
    </message>
    <message>
        <source>%1 已断开连接，名字未更改。</source>
        <translation>%1 has been disconnected; the name is unchanged.</translation>
    </message>
    <message>
        <source>名字已被占用，新变频器命名为 %1</source>
        <translation>Name in use; the new drive is named %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>系统状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>电机控制</source>
        <translation>Motor control</translation>
    </message>
    <message>
        <source>参数管理</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>数据监视</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>velkaro::MonitorPanel</name>
    <message>
        <source>监视选项</source>
        <translation>Monitor options</translation>
    </message>
    <message>
        <source>对不起！该功能暂时保留！</source>
        <translation>Sorry! This function is reserved for now!</translation>
    </message>
</context>
<context>
    <name>velkaro::MotorPanel</name>
    <message>
        <source>使能编辑</source>
        <translation>Edit keys</translation>
    </message>
    <message>
        <source>编辑对象：</source>
        <translation>Key:</translation>
    </message>
    <message>
        <source>蓝色按钮</source>
        <translation>Blue key</translation>
    </message>
    <message>
        <source>绿色按钮</source>
        <translation>Green key</translation>
    </message>
    <message>
        <source>红色按钮</source>
        <translation>Red key</translation>
    </message>
    <message>
        <source>橙色按钮</source>
        <translation>Orange key</translation>
    </message>
    <message>
        <source>黄色按钮</source>
        <translation>Yellow key</translation>
    </message>
    <message>
        <source>紫色按钮</source>
        <translation>Purple key</translation>
    </message>
    <message>
        <source>功能列表</source>
        <translation>Functions</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>初始化按键</source>
        <translation>Reset keys</translation>
    </message>
    <message>
        <source>正向点动</source>
        <translation>Jog forward</translation>
    </message>
    <message>
        <source>反向点动</source>
        <translation>Jog reverse</translation>
    </message>
    <message>
        <source>通讯给定频率:</source>
        <translation>Freq. reference:</translation>
    </message>
    <message>
        <source>通讯频率输入</source>
        <translation>Set frequency</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>输入的频率不是有效的数值，请输入 0.00 到 655.35 之间的数值！</source>
        <translation>The frequency entered is not a valid number; enter a value from 0.00 to 655.35!</translation>
    </message>
    <message>
        <source>输入的频率超出范围，请输入 0.00 到 655.35 之间的数值！</source>
        <translation>The frequency entered is out of range; enter a value from 0.00 to 655.35!</translation>
    </message>
    <message>
        <source>禁止编辑</source>
        <translation>Lock keys</translation>
    </message>
</context>
<context>
    <name>velkaro::MqttDialog</name>
    <message>
        <source>MQTT 发布</source>
        <translation>MQTT publishing</translation>
    </message>
    <message>
        <source>把变频器状态发布到 MQTT 代理（只发布，不接受命令）</source>
        <translation>Publishes the drives&apos; states to an MQTT broker (publish only, no commands taken)</translation>
    </message>
    <message>
        <source>mqtt://主机:1883 或 mqtts://主机:8883</source>
        <translation>mqtt://host:1883 or mqtts://host:8883</translation>
    </message>
    <message>
        <source>user=用户名、password=密码 两行；不填为匿名</source>
        <translation>user= and password= lines; empty for anonymous</translation>
    </message>
    <message>
        <source>mqtts:// 用的 CA 证书；不填用系统证书</source>
        <translation>CA certificate for mqtts://; empty for the system&apos;s certificates</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>代理地址：</source>
        <translation>Broker:</translation>
    </message>
    <message>
        <source>凭据文件：</source>
        <translation>Credentials file:</translation>
    </message>
    <message>
        <source>CA 证书：</source>
        <translation>CA certificate:</translation>
    </message>
    <message>
        <source>本站站名：</source>
        <translation>Station name:</translation>
    </message>
    <message>
        <source>连接状态：</source>
        <translation>Connection:</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>MQTT 凭据文件</source>
        <translation>MQTT credentials file</translation>
    </message>
    <message>
        <source>（设置未能保存）</source>
        <translation>(settings not saved)</translation>
    </message>
</context>
<context>
    <name>velkaro::NoticeCentre</name>
    <message>
        <source>消息记录</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>最近一次</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>消息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>更早的 %1 条消息已不再保留。</source>
        <translation>%1 earlier messages are no longer kept.</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterExportImport</name>
    <message>
        <source>存储文件(*.sav)</source>
        <translation>Parameter files (*.sav)</translation>
    </message>
    <message>
        <source>存储文件(*.*)</source>
        <translation>Parameter files (*.*)</translation>
    </message>
    <message>
        <source>请停机后再进行该操作！</source>
        <translation>Stop the drive before doing this!</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterPanel</name>
    <message>
        <source>请先在右边选择需要的功能组，就可在下表中查看或修改相应参数</source>
        <translation>Choose a group on the right to see its parameters</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>参数范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>双击修改参数。</source>
        <translation>Double-click to change a parameter.</translation>
    </message>
    <message>
        <source>  可设置范围：</source>
        <translation>  Range: </translation>
    </message>
    <message>
        <source>%1 已断开连接，参数未写入。</source>
        <translation>%1 has been disconnected; the parameter was not written.</translation>
    </message>
</context>
<context>
    <name>velkaro::ParameterReportCommands</name>
    <message>
        <source>参数报表(*.csv)</source>
        <translation>Parameter report (*.csv)</translation>
    </message>
    <message>
        <source>参数对比：选一个文件与选中的变频器对比，或选两个文件相互对比</source>
        <translation>Compare parameters: choose one file to compare with the selected drive, or two files to compare with each other</translation>
    </message>
    <message>
        <source>参数报表或存储文件(*.csv *.sav)</source>
        <translation>Parameter reports or files (*.csv *.sav)</translation>
    </message>
    <message>
        <source>所有文件(*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>请选择一个文件与变频器对比，或两个文件相互对比。</source>
        <translation>Choose one file to compare with the drive, or two files to compare with each other.</translation>
    </message>
    <message>
        <source>%1（变频器，读取于 %2）</source>
        <translation>%1 (drive, read at %2)</translation>
    </message>
</context>
<context>
    <name>velkaro::QtOperatorMessages</name>
    <message>
        <source>已出现 %1 次，最近一次在 %2。</source>
        <translation>Seen %1 times, last at %2.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>velkaro::RenameDialog</name>
    <message>
        <source>变频器重命名</source>
        <translation>Rename drive</translation>
    </message>
    <message>
        <source>     请在下面输入变频器新名字，新名字不能与其他变频器名字重复，且连接时有效。</source>
        <translation>     Enter the drive&apos;s new name below. It must differ from the other drives&apos; names and applies while connected.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>变频器当前名字：</source>
        <translation>Present name:</translation>
    </message>
    <message>
        <source>变频器新的名字：</source>
        <translation>New name:</translation>
    </message>
</context>
<context>
    <name>velkaro::StationMqtt</name>
    <message>
        <source>未启用</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>已连接 </source>
        <translation>Connected </translation>
    </message>
    <message>
        <source>未连接，正在重试</source>
        <translation>Not connected, retrying</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>（因队列已满丢弃 %1 条）</source>
        <translation>(%1 dropped, queue full)</translation>
    </message>
</context>
<context>
    <name>velkaro::StationRecords</name>
    <message>
        <source>运行记录数据源没有应答：记录暂时留在内存中，数据源恢复后补写。</source>
        <translation>The run-record data source does not answer: records are kept in memory and written once it is back.</translation>
    </message>
    <message>
        <source>运行记录数据源已恢复。中断期间暂存的记录超过上限，最早的 %1 条没有写入。</source>
        <translation>The run-record data source is back. More records were waiting than can be kept; the oldest %1 were not written.</translation>
    </message>
    <message>
        <source>运行记录表没有“站名”列，本账户也无权添加（需要修改表的权限）。记录照常写入，但不带站名：共用这个数据库的各站记录分不开。
</source>
        <translation>The run-record table has no &quot;站名&quot; (station) column and this account may not add it (that needs the right to alter the table). Records are written as usual but without the station, so the stations sharing this database cannot be told apart.
</translation>
    </message>
</context>
<context>
    <name>velkaro::StatusPanel</name>
    <message>
        <source>正常机组</source>
        <translation>Normal drives</translation>
    </message>
    <message>
        <source>掉线机组</source>
        <translation>Offline drives</translation>
    </message>
    <message>
        <source>故障机组</source>
        <translation>Tripped drives</translation>
    </message>
    <message>
        <source>变频器名</source>
        <translation>Drive name</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>参数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>变频器地址搜寻中</source>
        <translation>Searching drive addresses</translation>
    </message>
    <message>
        <source>变频器数据导出中</source>
        <translation>Exporting drive parameters</translation>
    </message>
    <message>
        <source>变频器数据导入中</source>
        <translation>Importing drive parameters</translation>
    </message>
    <message>
        <source>变频器参数读取中</source>
        <translation>Reading drive parameters</translation>
    </message>
    <message>
        <source>变频器发生故障</source>
        <translation>A drive has tripped</translation>
    </message>
    <message>
        <source> 使用该界面控制变频器时，请先将变频器设置为通讯控制</source>
        <translation> To control a drive from here, set the drive to communication control first</translation>
    </message>
    <message>
        <source> 双击上面功能列表可修改变频器参数</source>
        <translation> Double-click the list above to change a drive parameter</translation>
    </message>
    <message>
        <source> Velkaro1.11测试版-蓝岭电子研究所</source>
        <translation> Velkaro 1.11 beta - Lanling Electronics Institute</translation>
    </message>
    <message>
        <source> %1发生异常，请及时处理！</source>
        <translation> %1 has a fault; please attend to it now!</translation>
    </message>
    <message>
        <source>输出频率</source>
        <comment>list heading</comment>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>输出电流</source>
        <comment>list heading</comment>
        <translation>Current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <comment>list heading</comment>
        <translation>Voltage</translation>
    </message>
</context>
<context>
    <name>velkaro::StatusSummary</name>
    <message>
        <source>变频器名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>功率等级</source>
        <translation>Rating</translation>
    </message>
    <message>
        <source>机    型</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>给定频率</source>
        <translation>Set freq.</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output freq.</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output V</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output A</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>DC bus</translation>
    </message>
    <message>
        <source>输出转矩</source>
        <translation>Torque</translation>
    </message>
    <message>
        <source>运行状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>异常原因</source>
        <translation>Cause</translation>
    </message>
</context>
<context>
    <name>velkaro::TrafficModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>地址搜寻</source>
        <translation>Address search</translation>
    </message>
</context>
<context>
    <name>velkaro::TrendWindow</name>
    <message>
        <source>趋势图</source>
        <translation>Trends</translation>
    </message>
    <message>
        <source>变频器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Values</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>最近%1分钟</source>
        <translation>Last %1 minutes</translation>
    </message>
    <message>
        <source>最近%1小时</source>
        <translation>Last %1 hours</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>时间窗</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到</source>
        <translation>To</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>实时跟随</source>
        <translation>Follow live</translation>
    </message>
    <message>
        <source>保存图片...</source>
        <translation>Save picture...</translation>
    </message>
    <message>
        <source>故障跳闸与通讯断线</source>
        <translation>Trips and lost communication</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Cause</translation>
    </message>
    <message>
        <source>数据源不可用：%1（按“刷新”重试）</source>
        <translation>The data source is not available: %1 (press &quot;Refresh&quot; to retry)</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>记录中的变频器</source>
        <translation>Drive in the records</translation>
    </message>
    <message>
        <source>起始时间应早于结束时间</source>
        <translation>The start must be before the end</translation>
    </message>
    <message>
        <source>所选时间早于数据最大存储时间（%1小时），这些记录已被清除</source>
        <translation>The chosen time is before the storage limit (%1 hours); those records have been purged</translation>
    </message>
    <message>
        <source>数据最大存储时间为%1小时，只显示最近%1小时。</source>
        <translation>Records are kept for %1 hours; only the last %1 hours are shown.</translation>
    </message>
    <message>
        <source>请选择变频器和数据</source>
        <translation>Choose drives and values</translation>
    </message>
    <message>
        <source>所选时间内没有记录</source>
        <translation>No records in the chosen time</translation>
    </message>
    <message>
        <source>所选时间内没有记录。</source>
        <translation>No records in the chosen time.</translation>
    </message>
    <message>
        <source>%1 条记录，%2 至 %3。</source>
        <translation>%1 records, %2 to %3.</translation>
    </message>
    <message>
        <source>趋势图-%1.png</source>
        <translation>trends-%1.png</translation>
    </message>
    <message>
        <source>保存趋势图</source>
        <translation>Save trends</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>Writing failed</translation>
    </message>
    <message>
        <source>不能保存图片 %1：%2</source>
        <translation>Cannot save the picture %1: %2</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Trip</translation>
    </message>
    <message>
        <source>通讯断线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>运行频率</source>
        <translation>Output frequency</translation>
    </message>
    <message>
        <source>设定频率</source>
        <translation>Frequency reference</translation>
    </message>
    <message>
        <source>输出电流</source>
        <translation>Output current</translation>
    </message>
    <message>
        <source>输出电压</source>
        <translation>Output voltage</translation>
    </message>
    <message>
        <source>母线电压</source>
        <translation>Bus voltage</translation>
    </message>
</context>
</TS>
